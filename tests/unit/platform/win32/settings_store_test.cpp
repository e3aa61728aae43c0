#include "platform/win32/settings_store.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/win32/win32_test_support.h"

namespace jobhost::win32 {
namespace {

std::vector<std::byte> Pattern(std::size_t size) {
  std::vector<std::byte> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::byte>(i * 7 + 1);
  return bytes;
}

class Win32SettingsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    key_ = store_.CreateKey(path_);
    ASSERT_NE(key_, nullptr);
  }
  void TearDown() override {
    key_.reset();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, testing::Wide(root_).c_str());
  }

  Win32SettingsStore store_;
  std::u16string root_ = u"Software\\" + testing::UniqueName(u"jobhost-unit-tests-");
  std::u16string path_ = root_ + u"\\Vantorel\\PrinterUI\\Search";
  std::unique_ptr<SettingsKey> key_;
};

TEST_F(Win32SettingsStoreTest, OpenFindsOnlyCreatedKeys) {
  EXPECT_NE(store_.OpenKey(path_), nullptr);
  EXPECT_EQ(store_.OpenKey(root_ + u"\\Missing"), nullptr);
}

TEST_F(Win32SettingsStoreTest, StoredValuesReadBackWithTheirType) {
  struct Case {
    const char* name;
    ValueType type;
    std::size_t size;
  };
  const Case cases[] = {
      {"settings record", ValueType::kBinary, 6472},
      {"printer count", ValueType::kDword, 4},
      {"empty binary", ValueType::kBinary, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::byte> data = Pattern(c.size);
    ASSERT_TRUE(key_->SetValue(u"Value", c.type, data));
    std::vector<std::byte> buffer(8000);
    const auto stored = key_->QueryValue(u"Value", buffer);
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->type, c.type);
    ASSERT_EQ(stored->size, c.size);
    buffer.resize(stored->size);
    EXPECT_EQ(buffer, data);
  }
}

TEST_F(Win32SettingsStoreTest, QueryFailsWhenValueDoesNotFitBuffer) {
  ASSERT_TRUE(key_->SetValue(u"SearchData", ValueType::kBinary, Pattern(8)));
  struct Case {
    std::size_t bufferSize;
    bool found;
  };
  for (const Case& c : {Case{0, false}, Case{7, false}, Case{8, true}, Case{9, true}}) {
    SCOPED_TRACE(c.bufferSize);
    std::vector<std::byte> buffer(c.bufferSize);
    EXPECT_EQ(key_->QueryValue(u"SearchData", buffer).has_value(), c.found);
  }
}

TEST_F(Win32SettingsStoreTest, ValueNamesIgnoreLetterCase) {
  ASSERT_TRUE(key_->SetValue(u"TotalPrinters", ValueType::kDword, Pattern(4)));
  std::vector<std::byte> buffer(4);
  EXPECT_TRUE(key_->QueryValue(u"totalprinters", buffer).has_value());
  EXPECT_TRUE(key_->DeleteValue(u"TOTALPRINTERS"));
}

TEST_F(Win32SettingsStoreTest, DeletedValueIsGoneAndDeletingAgainFails) {
  ASSERT_TRUE(key_->SetValue(u"TotalPrinters", ValueType::kDword, Pattern(4)));
  EXPECT_TRUE(key_->DeleteValue(u"TotalPrinters"));
  std::vector<std::byte> buffer(4);
  EXPECT_FALSE(key_->QueryValue(u"TotalPrinters", buffer).has_value());
  EXPECT_FALSE(key_->DeleteValue(u"TotalPrinters"));
}

}  // namespace
}  // namespace jobhost::win32
