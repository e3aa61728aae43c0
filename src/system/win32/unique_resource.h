#pragma once
// Owners of Win32 resources: each releases what it holds exactly once, so an
// early return anywhere is safe.

#include <windows.h>

#include <utility>

namespace jobhost::win32 {

// Holds a value of Traits::Type and releases it with Traits::Release unless it
// is Traits::Invalid().
template <typename Traits>
class UniqueResource {
 public:
  using Type = typename Traits::Type;

  UniqueResource() = default;
  explicit UniqueResource(Type value) : value_(value) {}
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueResource() { reset(); }

  Type get() const { return value_; }
  bool valid() const { return value_ != Traits::Invalid(); }
  explicit operator bool() const { return valid(); }

  Type release() { return std::exchange(value_, Traits::Invalid()); }
  void reset(Type value = Traits::Invalid()) {
    Type old = std::exchange(value_, value);
    if (old != Traits::Invalid()) Traits::Release(old);
  }

 private:
  Type value_ = Traits::Invalid();
};

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
