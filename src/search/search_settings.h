#pragma once
// The stored search-settings record ("SearchData"): 6472 bytes, fixed
// offsets, little-endian. Read and written field by field; every byte this
// program does not own is kept as it was read.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace jobhost {

inline constexpr std::size_t kSearchSettingsSize = 6472;
// The settings value that holds the record, beside the search's key.
inline constexpr char16_t kSearchDataValue[] = u"SearchData";

inline constexpr std::size_t kAgentEntrySize = 128;
inline constexpr std::size_t kAgentAddressOffset = 0;
inline constexpr std::size_t kAgentAddressSize = 80;
inline constexpr std::size_t kAgentNameOffset = 80;
inline constexpr std::size_t kAgentNameSize = 48;
inline constexpr int kMaxAgents = 32;

namespace settings_layout {
inline constexpr std::size_t kSingleHost = 0;
inline constexpr std::size_t kBroadcastToTarget = 4;
inline constexpr std::size_t kIpv4Target = 12;
inline constexpr std::size_t kIpv4TargetSize = 25;
inline constexpr std::size_t kIpv6Target = 37;
inline constexpr std::size_t kIpv6TargetSize = 129;
inline constexpr std::size_t kCommunity = 166;
inline constexpr std::size_t kCommunitySize = 129;
inline constexpr std::size_t kCommunityUsed = 128;
inline constexpr std::size_t kAgentCount = 296;
inline constexpr std::size_t kAgents = 304;
inline constexpr std::size_t kUseIpv6 = 4404;
}  // namespace settings_layout

using AgentEntryBytes = std::span<std::uint8_t, kAgentEntrySize>;
using ConstAgentEntryBytes = std::span<const std::uint8_t, kAgentEntrySize>;

class SearchSettings {
 public:
  SearchSettings() { bytes_.fill(0); }

  // A stored value shorter than the record fills its start; the rest stays zero.
  static SearchSettings FromStored(std::span<const std::uint8_t> stored);

  std::span<std::uint8_t, kSearchSettingsSize> bytes() { return bytes_; }
  std::span<const std::uint8_t, kSearchSettingsSize> bytes() const { return bytes_; }

  bool singleHost() const { return ReadInt32(settings_layout::kSingleHost) != 0; }
  bool broadcastToTarget() const { return ReadInt32(settings_layout::kBroadcastToTarget) != 0; }
  bool useIpv6() const { return ReadInt32(settings_layout::kUseIpv6) != 0; }
  // Texts end at their terminator, or at the field's last byte when they have none.
  std::string ipv4Target() const;
  std::string ipv6Target() const;
  // At most the first 128 bytes; empty when the stored text is empty.
  std::string community() const;

  std::int32_t agentCount() const { return ReadInt32(settings_layout::kAgentCount); }
  void setAgentCount(std::int32_t count) { WriteInt32(settings_layout::kAgentCount, count); }
  AgentEntryBytes agent(int index);
  ConstAgentEntryBytes agent(int index) const;

  // For the tools that prepare records.
  void setSingleHost(bool set) { WriteInt32(settings_layout::kSingleHost, set ? 1 : 0); }
  void setBroadcastToTarget(bool set) {
    WriteInt32(settings_layout::kBroadcastToTarget, set ? 1 : 0);
  }
  void setUseIpv6(bool set) { WriteInt32(settings_layout::kUseIpv6, set ? 1 : 0); }
  // False (and nothing changed) when the text does not fit its field with a terminator.
  bool setIpv4Target(std::string_view text);
  bool setIpv6Target(std::string_view text);
  bool setCommunity(std::string_view text);

  std::int32_t ReadInt32(std::size_t offset) const;
  void WriteInt32(std::size_t offset, std::int32_t value);

 private:
  std::string ReadText(std::size_t offset, std::size_t size) const;
  bool WriteText(std::size_t offset, std::size_t size, std::string_view text);

  std::array<std::uint8_t, kSearchSettingsSize> bytes_;
};

// Field access of one 128-byte agent entry.
std::string AgentAddress(ConstAgentEntryBytes entry);
std::string AgentName(ConstAgentEntryBytes entry);

}  // namespace jobhost
