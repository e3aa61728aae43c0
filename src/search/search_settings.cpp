#include "search/search_settings.h"

#include <algorithm>
#include <cstring>

namespace jobhost {
namespace {

std::string TextInField(const std::uint8_t* field, std::size_t size) {
  const std::uint8_t* end = std::find(field, field + size, std::uint8_t{0});
  return std::string(reinterpret_cast<const char*>(field), static_cast<std::size_t>(end - field));
}

}  // namespace

SearchSettings SearchSettings::FromStored(std::span<const std::uint8_t> stored) {
  SearchSettings settings;
  std::size_t size = std::min(stored.size(), kSearchSettingsSize);
  std::copy_n(stored.begin(), size, settings.bytes_.begin());
  return settings;
}

std::int32_t SearchSettings::ReadInt32(std::size_t offset) const {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | bytes_[offset + static_cast<std::size_t>(i)];
  return static_cast<std::int32_t>(value);
}

void SearchSettings::WriteInt32(std::size_t offset, std::int32_t value) {
  auto bits = static_cast<std::uint32_t>(value);
  for (std::size_t i = 0; i < 4; ++i)
    bytes_[offset + i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

std::string SearchSettings::ReadText(std::size_t offset, std::size_t size) const {
  return TextInField(bytes_.data() + offset, size);
}

bool SearchSettings::WriteText(std::size_t offset, std::size_t size, std::string_view text) {
  if (text.size() >= size || text.find('\0') != std::string_view::npos) return false;
  std::fill_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), size, std::uint8_t{0});
  std::memcpy(bytes_.data() + offset, text.data(), text.size());
  return true;
}

std::string SearchSettings::ipv4Target() const {
  return ReadText(settings_layout::kIpv4Target, settings_layout::kIpv4TargetSize);
}

std::string SearchSettings::ipv6Target() const {
  return ReadText(settings_layout::kIpv6Target, settings_layout::kIpv6TargetSize);
}

std::string SearchSettings::community() const {
  return ReadText(settings_layout::kCommunity, settings_layout::kCommunityUsed);
}

bool SearchSettings::setIpv4Target(std::string_view text) {
  return WriteText(settings_layout::kIpv4Target, settings_layout::kIpv4TargetSize, text);
}

bool SearchSettings::setIpv6Target(std::string_view text) {
  return WriteText(settings_layout::kIpv6Target, settings_layout::kIpv6TargetSize, text);
}

bool SearchSettings::setCommunity(std::string_view text) {
  return WriteText(settings_layout::kCommunity, settings_layout::kCommunitySize, text);
}

AgentEntryBytes SearchSettings::agent(int index) {
  std::size_t offset = settings_layout::kAgents + kAgentEntrySize * static_cast<std::size_t>(index);
  return AgentEntryBytes(bytes_.data() + offset, kAgentEntrySize);
}

ConstAgentEntryBytes SearchSettings::agent(int index) const {
  std::size_t offset = settings_layout::kAgents + kAgentEntrySize * static_cast<std::size_t>(index);
  return ConstAgentEntryBytes(bytes_.data() + offset, kAgentEntrySize);
}

std::string AgentAddress(ConstAgentEntryBytes entry) {
  return TextInField(entry.data() + kAgentAddressOffset, kAgentAddressSize);
}

std::string AgentName(ConstAgentEntryBytes entry) {
  return TextInField(entry.data() + kAgentNameOffset, kAgentNameSize);
}

}  // namespace jobhost
