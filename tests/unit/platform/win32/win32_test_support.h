#pragma once
// Helpers for the tests that run against the real Win32 layer (under Wine here).

#include <windows.h>

#include <chrono>
#include <string>

namespace jobhost::win32::testing {

// A name no other test (or test run) uses at the same time.
inline std::u16string UniqueName(std::u16string_view stem) {
  static int counter = 0;
  const std::string suffix =
      std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++counter);
  return std::u16string(stem) + std::u16string(suffix.begin(), suffix.end());
}

inline std::wstring Wide(std::u16string_view text) {
  return std::wstring(text.begin(), text.end());
}

// The folder of the running test program, with its final backslash.
inline std::wstring ProgramDirectory() {
  wchar_t path[MAX_PATH * 4] = {};
  std::wstring text(path, ::GetModuleFileNameW(nullptr, path, MAX_PATH * 4));
  return text.substr(0, text.find_last_of(L"\\/") + 1);
}

class Stopwatch {
 public:
  std::chrono::milliseconds Elapsed() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start_);
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace jobhost::win32::testing
