// Runs the WS-Discovery side of a one-host find call on the system's network,
// XML reader and HTTP: prints the printer found (address, a tab, name), and on
// stderr the time the call took, its Gets' end included. For the tests of the
// WS-Discovery room against a responder.

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "wsd_browse.h"

using namespace jobhost::devprobe;

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fputs("usage: wsd_find TIMEOUT-MS v4|v6 HOST\n", stderr);
    return 2;
  }
  const int timeoutMs = std::atoi(argv[1]);
  const AddressFamily family = argv[2][1] == '6' ? AddressFamily::kIpv6 : AddressFamily::kIpv4;
  const auto network = OpenSystemNetwork();
  auto http = jobhost::wsd::OpenHttpPoster();
  const auto channel = network ? network->OpenChannel(family, false) : nullptr;
  std::optional<Endpoint> host = channel ? network->Resolve(argv[3], family) : std::nullopt;
  if (!host || !http) return 1;
  host->port = kWsdPort;
  WsdBrowse browse(*network, family, {*host}, true, 161, http.get());
  jobhost::SteadyClock clock;
  const std::int64_t start = clock.NowMs();
  const std::int64_t deadline = start + timeoutMs;
  browse.SendProbes(*channel);
  std::vector<std::uint8_t> buffer(65536);
  for (std::int64_t now = start; now < deadline; now = clock.NowMs()) {
    const std::int64_t wait =
        browse.Naming() ? std::min<std::int64_t>(kWsdPollMs, deadline - now) : deadline - now;
    std::size_t size = 0;
    Endpoint from;
    if (channel->Receive(buffer, static_cast<int>(wait), size, from) == ReceiveStatus::kDatagram) {
      browse.Take(*channel, from, ByteView(buffer.data(), size));
    }
    browse.Poll(clock, deadline, 0);
  }
  const std::vector<WsdPrinter> printers = browse.Printers();
  http.reset();  // the Gets still running end here, within the call
  std::fprintf(stderr, "elapsed %lld ms\n", static_cast<long long>(clock.NowMs() - start));
  for (const WsdPrinter& printer : printers) {
    const std::string address = family == AddressFamily::kIpv4
                                    ? FormatIpv4(printer.address)
                                    : FormatIpv6(printer.address.address);
    std::printf("%s\t%s\n", address.c_str(), printer.name.c_str());
  }
  return 0;
}
