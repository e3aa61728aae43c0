#include "dnssd/mdns_answers.h"

#include <gtest/gtest.h>

#include <string>

#include "dnssd/dns_test_messages.h"

namespace jobhost::dnssd {
namespace {

using namespace testing_messages;

TEST(MdnsAnswers, KeepsRecordsOfNamesAskedAboutOrToldOfUpToTheCap) {
  const std::string instance = "\x0cOffice Laser" + kService;
  const std::string ptr = Record(kService, DnsType::kPtr, instance);
  const std::string srv = Record(instance, DnsType::kSrv, kPort631 + kHost);
  const std::string a = Record(kHost, DnsType::kA, kIpv4);
  std::string flood;
  for (int i = 0; i < 1100; ++i) {
    // Appended, not "\x06" + label: GCC 12 at -O3 warns about a restrict overlap there.
    std::string name = "\x06i";
    name += std::to_string(10000 + i);
    name += kService;
    flood += Record(kService, DnsType::kPtr, name);
  }
  const struct {
    const char* what;
    std::string message;
    std::size_t instances;
    bool address;
  } cases[] = {
      {"pointer, service and address", Header({0, 3, 0, 0}) + ptr + srv + a, 1, true},
      {"the same the other way round", Header({0, 3, 0, 0}) + a + srv + ptr, 1, true},
      {"a service type not asked about",
       One("\x05_http\x04_tcp\x05local\0"s, DnsType::kPtr, instance), 0, false},
      {"the address of a host nobody told of", Header({0, 2, 0, 0}) + ptr + a, 1, false},
      {"a flood, then what no longer fits", Header({0, 1102, 0, 0}) + flood + srv + a, 1024, false},
  };
  for (const auto& c : cases) {
    MdnsAnswers answers({{2, Ipv4Endpoint(192, 168, 1, 2, 0), 24, std::nullopt, true}});
    const DnsName service = {"_ipp", "_tcp", "local"};
    const DnsName http = {"_http", "_tcp", "local"};
    answers.Expect(service, MdnsRole::kServiceType);
    const auto bytes =
        std::span(reinterpret_cast<const std::uint8_t*>(c.message.data()), c.message.size());
    EXPECT_TRUE(answers.Take(Ipv4Endpoint(192, 168, 1, 20, kMdnsPort), bytes, 0x1234)) << c.what;
    EXPECT_EQ(answers.Instances(service).size() + answers.Instances(http).size(), c.instances)
        << c.what;
    EXPECT_EQ(answers.Address({"host", "local"}, AddressFamily::kIpv4).has_value(), c.address)
        << c.what;
  }
}
}  // namespace
}  // namespace jobhost::dnssd
