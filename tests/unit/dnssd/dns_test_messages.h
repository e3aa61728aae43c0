// Hand-built DNS messages shared by the decoder's and the mDNS readers' tests.

#pragma once

#include <array>
#include <string>

#include "dnssd/dns_message.h"

namespace jobhost::dnssd::testing_messages {

using namespace std::string_literals;

inline std::string U16(std::size_t value) {
  return {static_cast<char>(value >> 8), static_cast<char>(value & 0xFF)};
}

// Counts of questions, answers, authority and additional records.
inline std::string Header(std::array<int, 4> counts, int flags = 0x8400) {
  return U16(0x1234) + U16(flags) + U16(counts[0]) + U16(counts[1]) + U16(counts[2]) +
         U16(counts[3]);
}

inline std::string Record(const std::string& owner, DnsType type, const std::string& data,
                          int recordClass = 1) {
  return owner + U16(static_cast<int>(type)) + U16(recordClass) + "\0\0\0\x78"s + U16(data.size()) +
         data;
}

// A response holding one answer.
inline std::string One(const std::string& owner, DnsType type, const std::string& data) {
  return Header({0, 1, 0, 0}) + Record(owner, type, data);
}

inline const std::string kService = "\x04_ipp\x04_tcp\x05local\0"s;
inline const std::string kHost = "\x04host\x05local\0"s;
inline const std::string kIpv4 = "\xc0\xa8\x01\x14";
inline const std::string kIpv6 = "\xfe\x80" + std::string(13, '\0') + "\x01";
inline const std::string kPort631 = "\0\0\0\0\x02\x77"s;

}  // namespace jobhost::dnssd::testing_messages
