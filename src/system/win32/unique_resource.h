#pragma once
// The kinds of Win32 handle, each a line of traits for the one owner.

#include <windows.h>

#include "system/unique_resource.h"

namespace jobhost::win32 {

// Kernel objects whose failure value is NULL (threads, processes, most handles).
struct HandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static void Release(Type handle) { ::CloseHandle(handle); }
};

// Kernel objects whose failure value is INVALID_HANDLE_VALUE (files, pipes,
// snapshots).
struct FileHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Release(Type handle) { ::CloseHandle(handle); }
};

struct LocalMemoryTraits {
  using Type = HLOCAL;
  static Type Invalid() { return nullptr; }
  static void Release(Type memory) { ::LocalFree(memory); }
};

struct ModuleTraits {
  using Type = HMODULE;
  static Type Invalid() { return nullptr; }
  static void Release(Type module) { ::FreeLibrary(module); }
};

struct RegistryKeyTraits {
  using Type = HKEY;
  static Type Invalid() { return nullptr; }
  static void Release(Type key) { ::RegCloseKey(key); }
};

using UniqueHandle = UniqueResource<HandleTraits>;
using UniqueFileHandle = UniqueResource<FileHandleTraits>;
using UniqueLocalMemory = UniqueResource<LocalMemoryTraits>;
using UniqueModule = UniqueResource<ModuleTraits>;
using UniqueRegistryKey = UniqueResource<RegistryKeyTraits>;

}  // namespace jobhost::win32
