#include "platform/win32/library.h"

#include "system/win32/wide_text.h"

namespace jobhost::win32 {

void* Win32Library::Symbol(const char* name) {
  return reinterpret_cast<void*>(::GetProcAddress(module_.get(), name));
}

std::unique_ptr<Library> Win32Libraries::Load(std::u16string_view path) {
  const std::wstring file = ToWide(path);
  UniqueModule module(::LoadLibraryW(file.c_str()));
  if (!module) return nullptr;
  return std::make_unique<Win32Library>(std::move(module));
}

}  // namespace jobhost::win32
