#include "support/ipv6_text.h"

#include <cstring>

#include "support/bounded_text.h"

namespace jobhost {
namespace {

constexpr std::size_t kScratchCapacity = 256;
constexpr int kGroups = 8;

enum class ZeroRun { kNoRunYet, kInRun, kAfterRun };

// The text is composed in a scratch of its own, so however it came out, the
// caller's field receives at most kIpv6TextCapacity bytes.
class GroupText {
 public:
  GroupText() { text_[0] = '\0'; }

  void AppendGroup(const std::uint8_t* group) {
    for (int i = 0; i < 2; ++i) {
      char digits[kScratchCapacity];
      BoundedFormatA(digits, kScratchCapacity, "%02x", static_cast<unsigned>(group[i]));
      BoundedAppendA(text_, kScratchCapacity, digits);
    }
  }
  void AppendColon() { BoundedAppendA(text_, kScratchCapacity, ":"); }

  void CopyTo(char* destination) const {
    std::size_t length = 0;
    while (length < kIpv6TextCapacity - 1 && text_[length] != '\0') ++length;
    std::memcpy(destination, text_, length);
    destination[length] = '\0';
  }

 private:
  char text_[kScratchCapacity];
};

}  // namespace

void FormatIpv6Address(const std::uint8_t* address16, char* text) {
  GroupText composed;
  ZeroRun state = ZeroRun::kNoRunYet;
  for (int k = 0; k < kGroups; ++k) {
    const std::uint8_t* group = address16 + 2 * k;
    bool zeroGroup = group[0] == 0 && group[1] == 0;
    bool last = k == kGroups - 1;
    if (state == ZeroRun::kInRun && zeroGroup) continue;
    if (state == ZeroRun::kNoRunYet && zeroGroup) {
      // A group written before the run already ends in ":"; group 0 has none.
      if (k == 0) composed.AppendColon();
      composed.AppendColon();
      state = ZeroRun::kInRun;
      continue;
    }
    composed.AppendGroup(group);
    if (!last) composed.AppendColon();
    if (state == ZeroRun::kInRun) state = ZeroRun::kAfterRun;
  }
  composed.CopyTo(text);
}

}  // namespace jobhost
