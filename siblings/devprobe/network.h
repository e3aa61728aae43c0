#pragma once
// The shared network seam under the names discovery uses.

#include "endpoint.h"
#include "network/network.h"
#include "system/clock.h"

namespace jobhost::devprobe {

using network::BufferSizes;
using network::DatagramChannel;
using network::Ipv4Interface;
using network::kReceiveBufferBytes;
using network::kSendBufferBytes;
using network::Network;
using network::OpenSystemNetwork;
using network::ReceiveStatus;

}  // namespace jobhost::devprobe
