#include "support/bounded_text.h"

#include <cstdint>

namespace jobhost {
namespace {

template <typename Char>
class Sink {
 public:
  Sink(Char* destination, std::size_t limit) : destination_(destination), limit_(limit) {}
  void Put(Char c) {
    if (written_ < limit_) destination_[written_++] = c;
    ++total_;
  }
  void Repeat(Char c, std::size_t times) {
    for (std::size_t i = 0; i < times; ++i) Put(c);
  }
  std::size_t written() const { return written_; }
  std::size_t total() const { return total_; }

 private:
  Char* destination_;
  std::size_t limit_;
  std::size_t written_ = 0;
  std::size_t total_ = 0;
};

struct Conversion {
  bool leftAlign = false;
  bool zeroPad = false;
  std::size_t width = 0;
  bool longLong = false;
};

template <typename Char>
void PutPadded(Sink<Char>& sink, const Conversion& conversion, const Char* text, std::size_t length,
               std::size_t signLength = 0) {
  std::size_t pad = conversion.width > length ? conversion.width - length : 0;
  if (conversion.leftAlign) {
    for (std::size_t i = 0; i < length; ++i) sink.Put(text[i]);
    sink.Repeat(Char(' '), pad);
    return;
  }
  if (conversion.zeroPad) {
    for (std::size_t i = 0; i < signLength; ++i) sink.Put(text[i]);
    sink.Repeat(Char('0'), pad);
    for (std::size_t i = signLength; i < length; ++i) sink.Put(text[i]);
    return;
  }
  sink.Repeat(Char(' '), pad);
  for (std::size_t i = 0; i < length; ++i) sink.Put(text[i]);
}

template <typename Char>
void PutNumber(Sink<Char>& sink, const Conversion& conversion, bool negative,
               std::uint64_t magnitude, unsigned base, bool upper) {
  Char digits[24];
  std::size_t count = 0;
  do {
    unsigned digit = static_cast<unsigned>(magnitude % base);
    char c = digit < 10 ? static_cast<char>('0' + digit)
                        : static_cast<char>((upper ? 'A' : 'a') + digit - 10);
    digits[count++] = Char(c);
    magnitude /= base;
  } while (magnitude != 0);
  Char text[25];
  std::size_t length = 0;
  if (negative) text[length++] = Char('-');
  while (count > 0) text[length++] = digits[--count];
  PutPadded(sink, conversion, text, length, negative ? 1 : 0);
}

template <typename Char>
std::size_t TextLength(const Char* text) {
  std::size_t length = 0;
  while (text[length] != 0) ++length;
  return length;
}

// Formats into sink; false on a format the helpers do not know.
template <typename Char>
bool FormatInto(Sink<Char>& sink, const Char* format, va_list args) {
  for (const Char* f = format; *f != 0; ++f) {
    if (*f != Char('%')) {
      sink.Put(*f);
      continue;
    }
    Conversion conversion;
    ++f;
    for (;; ++f) {
      if (*f == Char('-')) {
        conversion.leftAlign = true;
      } else if (*f == Char('0')) {
        conversion.zeroPad = true;
      } else {
        break;
      }
    }
    while (*f >= Char('0') && *f <= Char('9')) {
      conversion.width = conversion.width * 10 + static_cast<std::size_t>(*f - Char('0'));
      if (conversion.width > 4096) return false;
      ++f;
    }
    while (*f == Char('h') || *f == Char('l')) {
      if (*f == Char('l') && f[1] == Char('l')) {
        conversion.longLong = true;
        ++f;
      }
      ++f;
    }
    switch (static_cast<char32_t>(*f)) {
      case U'%':
        sink.Put(Char('%'));
        break;
      case U'd':
      case U'i': {
        std::int64_t value = conversion.longLong ? va_arg(args, long long) : va_arg(args, int);
        bool negative = value < 0;
        std::uint64_t magnitude =
            negative ? std::uint64_t{0} - static_cast<std::uint64_t>(value) : std::uint64_t(value);
        PutNumber(sink, conversion, negative, magnitude, 10, false);
        break;
      }
      case U'u':
      case U'x':
      case U'X': {
        std::uint64_t value =
            conversion.longLong ? va_arg(args, unsigned long long) : va_arg(args, unsigned int);
        unsigned base = *f == Char('u') ? 10 : 16;
        PutNumber(sink, conversion, false, value, base, *f == Char('X'));
        break;
      }
      case U'c': {
        Char c = static_cast<Char>(va_arg(args, int));
        PutPadded(sink, conversion, &c, 1);
        break;
      }
      case U's': {
        const Char* text = va_arg(args, const Char*);
        static constexpr Char kNull[] = {'(', 'n', 'u', 'l', 'l', ')', 0};
        if (text == nullptr) text = kNull;
        PutPadded(sink, conversion, text, TextLength(text));
        break;
      }
      default:
        return false;
    }
  }
  return true;
}

template <typename Char>
Status BoundedFormat(Char* destination, std::size_t capacity, const Char* format, va_list args) {
  if (capacity == 0 || capacity > kMaxCapacity) return kStatusInvalidArgument;
  Sink<Char> sink(destination, capacity - 1);
  bool formatted = format != nullptr && FormatInto(sink, format, args);
  if (!formatted || sink.total() > capacity - 1) {
    // Keep what fits; the part after a failed conversion was never written.
    destination[sink.written()] = 0;
    destination[capacity - 1] = 0;
    return kStatusInsufficientBuffer;
  }
  destination[sink.written()] = 0;
  return kStatusOk;
}

}  // namespace

Status BoundedAppendA(char* destination, std::size_t capacity, const char* source) {
  if (capacity == 0 || capacity > kMaxCapacity) return kStatusInvalidArgument;
  std::size_t length = 0;
  while (length < capacity && destination[length] != 0) ++length;
  if (length == capacity) return kStatusInvalidArgument;
  for (std::size_t i = 0; length + i < capacity; ++i) {
    destination[length + i] = source[i];
    if (source[i] == 0) return kStatusOk;
  }
  destination[capacity - 1] = 0;
  return kStatusInsufficientBuffer;
}

Status BoundedFormatVA(char* destination, std::size_t capacity, const char* format, va_list args) {
  return BoundedFormat(destination, capacity, format, args);
}

Status BoundedFormatVW(char16_t* destination, std::size_t capacity, const char16_t* format,
                       va_list args) {
  return BoundedFormat(destination, capacity, format, args);
}

Status BoundedFormatA(char* destination, std::size_t capacity, const char* format, ...) {
  va_list args;
  va_start(args, format);
  Status status = BoundedFormat(destination, capacity, format, args);
  va_end(args);
  return status;
}

Status BoundedFormatW(char16_t* destination, std::size_t capacity, const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  Status status = BoundedFormat(destination, capacity, format, args);
  va_end(args);
  return status;
}

}  // namespace jobhost
