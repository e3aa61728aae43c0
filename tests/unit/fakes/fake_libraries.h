#pragma once
// Scripted libraries: each path maps to a set of exports; every load and
// release is counted so tests can check nothing stays loaded.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/library.h"

namespace jobhost::testing {

class FakeLibraries : public Libraries {
 public:
  using Exports = std::map<std::string, void*>;

  // Makes path loadable with the given exports.
  void Provide(std::u16string path, Exports exports) {
    libraries_[std::move(path)] = std::move(exports);
  }

  std::unique_ptr<Library> Load(std::u16string_view path) override {
    loadAttempts.emplace_back(path);
    auto found = libraries_.find(std::u16string(path));
    if (found == libraries_.end()) return nullptr;
    ++loaded;
    return std::make_unique<Loaded>(*this, found->second);
  }

  std::vector<std::u16string> loadAttempts;
  int loaded = 0;
  int released = 0;
  int open() const { return loaded - released; }

 private:
  class Loaded : public Library {
   public:
    Loaded(FakeLibraries& owner, const Exports& exports) : owner_(owner), exports_(exports) {}
    ~Loaded() override { ++owner_.released; }
    void* Symbol(const char* name) override {
      auto found = exports_.find(name);
      return found == exports_.end() ? nullptr : found->second;
    }

   private:
    FakeLibraries& owner_;
    const Exports& exports_;
  };

  std::map<std::u16string, Exports> libraries_;
};

template <typename Function>
void* ExportOf(Function function) {
  return reinterpret_cast<void*>(function);
}

}  // namespace jobhost::testing
