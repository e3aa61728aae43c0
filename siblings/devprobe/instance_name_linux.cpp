// Linux programs read 8-bit text as UTF-8.

#include "dnssd_browse.h"
#include "network/dns_name.h"

namespace jobhost::devprobe {

std::string InstanceNameForCaller(std::string_view label) {
  return network::InstanceNameText(label, kMaxCallerNameBytes);
}

}  // namespace jobhost::devprobe
