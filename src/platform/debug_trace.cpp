#include "platform/debug_trace.h"

#include <memory>
#include <new>
#include <string_view>

#include "support/bounded_text.h"

namespace jobhost {
namespace {

constexpr std::size_t kFirstCapacity = 1024;
constexpr int kMaxAttempts = 10;

}  // namespace

bool DebugTraceV(DebugOutput& channel, const char* format, va_list args) {
  if (format == nullptr) return false;
  std::size_t capacity = kFirstCapacity;
  std::unique_ptr<char[]> buffer;
  Status status = kStatusInsufficientBuffer;
  for (int attempt = 1;; ++attempt) {
    buffer.reset(new (std::nothrow) char[capacity + 1]);
    if (!buffer) return false;
    va_list copy;
    va_copy(copy, args);
    status = BoundedFormatVA(buffer.get(), capacity + 1, format, copy);
    va_end(copy);
    if (status != kStatusInsufficientBuffer || attempt == kMaxAttempts) break;
    capacity *= 2;
  }
  channel.Send(std::string_view(buffer.get()));
  return status == kStatusOk;
}

bool DebugTrace(DebugOutput& channel, const char* format, ...) {
  va_list args;
  va_start(args, format);
  bool sent = DebugTraceV(channel, format, args);
  va_end(args);
  return sent;
}

}  // namespace jobhost
