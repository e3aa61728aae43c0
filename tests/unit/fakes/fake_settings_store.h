#pragma once
// An in-memory settings store that records every call ("open <path>",
// "query <value>", "close", ...) and counts the keys still open.

#include <algorithm>
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/settings_store.h"
#include "support/utf.h"

namespace jobhost::testing {

class FakeSettingsStore : public SettingsStore {
 public:
  struct Value {
    ValueType type = ValueType::kNone;
    std::vector<std::byte> data;
    bool operator==(const Value&) const = default;
  };
  using Values = std::map<std::u16string, Value>;

  std::unique_ptr<SettingsKey> OpenKey(std::u16string_view path) override {
    Record("open " + Utf16ToUtf8(path));
    auto found = keys.find(std::u16string(path));
    if (found == keys.end()) return nullptr;
    return std::make_unique<Key>(*this, found->second);
  }

  std::unique_ptr<SettingsKey> CreateKey(std::u16string_view path) override {
    Record("create " + Utf16ToUtf8(path));
    if (createFails) return nullptr;
    return std::make_unique<Key>(*this, keys[std::u16string(path)]);
  }

  std::map<std::u16string, Values> keys;
  std::vector<std::string> calls;
  bool createFails = false;
  bool queryFails = false;
  int openKeys = 0;

 private:
  void Record(std::string call) { calls.push_back(std::move(call)); }

  class Key : public SettingsKey {
   public:
    Key(FakeSettingsStore& store, Values& values) : store_(store), values_(values) {
      ++store_.openKeys;
    }
    ~Key() override {
      store_.Record("close");
      --store_.openKeys;
    }

    std::optional<StoredValue> QueryValue(std::u16string_view name,
                                          std::span<std::byte> buffer) override {
      store_.Record("query " + Utf16ToUtf8(name));
      auto found = values_.find(std::u16string(name));
      if (store_.queryFails || found == values_.end()) return std::nullopt;
      const Value& value = found->second;
      if (value.data.size() > buffer.size()) return std::nullopt;
      std::copy(value.data.begin(), value.data.end(), buffer.begin());
      return StoredValue{value.data.size(), value.type};
    }

    bool DeleteValue(std::u16string_view name) override {
      store_.Record("delete " + Utf16ToUtf8(name));
      return values_.erase(std::u16string(name)) == 1;
    }

    bool SetValue(std::u16string_view name, ValueType type,
                  std::span<const std::byte> data) override {
      store_.Record("set " + Utf16ToUtf8(name));
      values_[std::u16string(name)] = Value{type, {data.begin(), data.end()}};
      return true;
    }

   private:
    FakeSettingsStore& store_;
    Values& values_;
  };
};

}  // namespace jobhost::testing
