// Runs the WS-Discovery side of one find call on the system's network, XML
// reader and HTTP, and prints every printer it found, one line each:
// address, a tab, name; then the time the call took on stderr. For the tests
// of the WS-Discovery room against a responder.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "wsd_browse.h"

namespace {

using namespace jobhost::devprobe;

constexpr char kUsage[] =
    "usage: wsd_find [--timeout MS] v4|v6 HOST|multicast\n"
    "Probes one host's port 3702, or the group on every multicast interface,\n"
    "twice within the time-out (default 3000), and names each printer by a Get.\n";

std::string AddressText(const Endpoint& address) {
  return address.family == AddressFamily::kIpv4 ? FormatIpv4(address) : FormatIpv6(address.address);
}

}  // namespace

int main(int argc, char** argv) {
  int timeoutMs = 3000;
  int index = 1;
  if (index + 1 < argc && std::strcmp(argv[index], "--timeout") == 0) {
    timeoutMs = std::atoi(argv[index + 1]);
    index += 2;
  }
  if (argc - index != 2 || (std::strcmp(argv[index], "v4") && std::strcmp(argv[index], "v6"))) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const AddressFamily family = argv[index][1] == '6' ? AddressFamily::kIpv6 : AddressFamily::kIpv4;
  const std::string target = argv[index + 1];
  const auto network = OpenSystemNetwork();
  auto http = jobhost::wsd::OpenHttpPoster();
  const auto channel = network ? network->OpenChannel(family, false) : nullptr;
  const auto host = target == "multicast" ? std::nullopt : network->Resolve(target, family);
  if (!channel || !http || (target != "multicast" && !host)) {
    std::fputs("no socket, no HTTP, or no such host\n", stderr);
    return 1;
  }
  std::vector<Endpoint> destinations = WsdGroupOnInterfaces(*network, family);
  if (host) {
    destinations = {*host};
    destinations.front().port = kWsdPort;
  }
  WsdBrowse browse(*network, family, destinations, host.has_value(), 161, http.get());

  SteadyClock clock;
  const std::int64_t start = clock.NowMs();
  const std::int64_t deadline = start + timeoutMs;
  std::vector<std::uint8_t> buffer(65536);
  for (int sends = 0;;) {
    std::int64_t now = clock.NowMs();
    const std::int64_t nextSend = start + std::int64_t{timeoutMs} * sends / 2;
    if (sends < 2 && now >= nextSend) {
      browse.SendProbes(*channel);
      ++sends;
    }
    if (now >= deadline) break;
    std::int64_t wakeUp =
        sends < 2 ? std::min(deadline, start + std::int64_t{timeoutMs} / 2) : deadline;
    if (browse.Naming()) wakeUp = std::min(wakeUp, now + kWsdPollMs);
    std::size_t size = 0;
    Endpoint from;
    if (channel->Receive(buffer, static_cast<int>(std::max<std::int64_t>(wakeUp - now, 0)), size,
                         from) == ReceiveStatus::kDatagram) {
      browse.Take(*channel, from, ByteView(buffer.data(), size));
    }
    browse.Poll(clock, deadline, 0);
  }
  const std::vector<WsdPrinter> printers = browse.Printers();
  http.reset();  // the Gets still running end here, within the call
  std::fprintf(stderr, "elapsed %lld ms\n", static_cast<long long>(clock.NowMs() - start));
  for (const WsdPrinter& printer : printers) {
    std::printf("%s\t%s\n", AddressText(printer.address).c_str(), printer.name.c_str());
  }
  return 0;
}
