#pragma once
// One owner for every kind of handle: a kind is a line of traits (its type,
// its empty value, how it is released), and the owner releases what it holds
// exactly once, so an early return anywhere is safe.

#include <cstddef>
#include <cstdio>
#include <type_traits>
#include <utility>

namespace jobhost {

// Holds a value of Traits::Type and releases it with Traits::Release unless it
// is Traits::Invalid().
template <typename Traits>
class UniqueResource {
 public:
  using Type = typename Traits::Type;

  UniqueResource() = default;
  explicit UniqueResource(Type value) : value_(value) {}
  // Empty, as a null pointer reads where a pointer is owned.
  UniqueResource(std::nullptr_t) requires std::is_pointer_v<Type> {}
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
  Type operator->() const requires std::is_pointer_v<Type> { return value_; }

  Type release() { return std::exchange(value_, Traits::Invalid()); }
  void reset(Type value = Traits::Invalid()) {
    Type old = std::exchange(value_, value);
    if (old != Traits::Invalid()) Traits::Release(old);
  }

 private:
  Type value_ = Traits::Invalid();
};

// A library's object that its Free function releases; null is empty.
template <typename Object, auto Free>
struct PointerTraits {
  using Type = Object*;
  static Type Invalid() { return nullptr; }
  static void Release(Type object) { Free(object); }
};

template <typename Object, auto Free>
using UniquePointer = UniqueResource<PointerTraits<Object, Free>>;

// A C stream, closed by fclose.
struct FileTraits {
  using Type = std::FILE*;
  static Type Invalid() { return nullptr; }
  static void Release(Type file) { std::fclose(file); }
};
using UniqueFile = UniqueResource<FileTraits>;

}  // namespace jobhost
