// Linux programs read 8-bit text as UTF-8.

#include "caller_name.h"
#include "dnssd/dns_name.h"

namespace jobhost::devprobe {

std::string InstanceNameForCaller(std::string_view label) {
  return dnssd::InstanceNameText(label, kMaxCallerNameBytes);
}

}  // namespace jobhost::devprobe
