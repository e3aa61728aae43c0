// The device nodes behind printers, read through cfgmgr32's documented
// property calls, which need no more than a normal user's rights.

#include <windows.h>
// windows.h first: cfgmgr32.h needs its types.
#include <cfgmgr32.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "print_system_win32.h"
#include "support/utf.h"
#include "system/win32/wide_text.h"

namespace jobhost::portlink {
namespace {

// The keys, as their documentation gives them (devpkey.h; the PnP-X keys of
// functiondiscoverykeys.h, "System.Devices.IpAddress" for the first).
constexpr DEVPROPKEY kFriendlyName{
    {0xa45c254e, 0xdf1c, 0x4efd, {0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0}}, 14};
constexpr DEVPROPKEY kContainerId{
    {0x8c7ed206, 0x3f8a, 0x4827, {0xb3, 0xab, 0xae, 0x9e, 0x1f, 0xae, 0xfc, 0x6c}}, 2};
constexpr GUID kPnpxKeys{
    0x656a3bb3, 0xecc0, 0x43fd, {0x84, 0x77, 0x4a, 0xe0, 0x40, 0x4a, 0x96, 0xcd}};
constexpr DEVPROPKEY kPnpxIpAddress{kPnpxKeys, 12297};  // the addresses the device reported
constexpr DEVPROPKEY kPnpxXAddrs{kPnpxKeys, 4099};      // its WS-Discovery transport URLs

// The property's bytes when it has the type wanted; empty otherwise.
std::vector<BYTE> ReadProperty(DEVINST node, const DEVPROPKEY& key, DEVPROPTYPE wanted) {
  DEVPROPTYPE type = 0;
  ULONG size = 0;
  if (::CM_Get_DevNode_PropertyW(node, &key, &type, nullptr, &size, 0) != CR_BUFFER_SMALL ||
      type != wanted) {
    return {};
  }
  std::vector<BYTE> bytes(size);
  if (::CM_Get_DevNode_PropertyW(node, &key, &type, bytes.data(), &size, 0) != CR_SUCCESS) {
    return {};
  }
  bytes.resize(size);
  return bytes;
}

// The texts of a list of terminated texts, ended by an empty one.
std::vector<std::wstring> TextsOf(const wchar_t* list, std::size_t units) {
  std::vector<std::wstring> texts;
  for (std::size_t at = 0; at < units && list[at] != L'\0';) {
    std::wstring_view text(list + at, wcsnlen(list + at, units - at));
    texts.emplace_back(text);
    at += text.size() + 1;
  }
  return texts;
}

std::vector<std::wstring> ReadTexts(DEVINST node, const DEVPROPKEY& key, DEVPROPTYPE type) {
  std::vector<BYTE> bytes = ReadProperty(node, key, type);
  return TextsOf(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}

std::vector<std::string> Utf8Texts(DEVINST node, const DEVPROPKEY& key) {
  std::vector<std::string> texts;
  for (const std::wstring& text : ReadTexts(node, key, DEVPROP_TYPE_STRING_LIST)) {
    texts.push_back(win32::Utf8FromWide(text));
  }
  return texts;
}

std::u16string ContainerOf(DEVINST node) {
  std::vector<BYTE> bytes = ReadProperty(node, kContainerId, DEVPROP_TYPE_GUID);
  if (bytes.size() != sizeof(GUID)) return {};
  GUID id;
  std::memcpy(&id, bytes.data(), sizeof id);
  char text[40];
  std::snprintf(text, sizeof text, "%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x",
                static_cast<unsigned long>(id.Data1), id.Data2, id.Data3, id.Data4[0], id.Data4[1],
                id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6], id.Data4[7]);
  return Utf8ToUtf16(text);
}

std::vector<wchar_t> PresentNodeIds() {
  ULONG units = 0;
  if (::CM_Get_Device_ID_List_SizeW(&units, nullptr, CM_GETIDLIST_FILTER_PRESENT) != CR_SUCCESS) {
    return {};
  }
  std::vector<wchar_t> ids(units + 1, L'\0');
  if (::CM_Get_Device_ID_ListW(nullptr, ids.data(), units, CM_GETIDLIST_FILTER_PRESENT) !=
      CR_SUCCESS) {
    return {};
  }
  return ids;
}

}  // namespace

std::vector<DeviceNode> Win32PrintSystem::DeviceNodes() {
  std::vector<DeviceNode> nodes;
  const std::vector<wchar_t> ids = PresentNodeIds();
  for (std::wstring& id : TextsOf(ids.data(), ids.size())) {
    DEVINST node = 0;
    if (::CM_Locate_DevNodeW(&node, id.data(), CM_LOCATE_DEVNODE_NORMAL) != CR_SUCCESS) continue;
    // Only nodes of a physical device can lead to an address.
    std::u16string container = ContainerOf(node);
    if (container.empty()) continue;
    std::vector<std::wstring> name = ReadTexts(node, kFriendlyName, DEVPROP_TYPE_STRING);
    nodes.push_back({name.empty() ? std::u16string() : win32::FromWide(name.front()),
                     std::move(container), Utf8Texts(node, kPnpxIpAddress),
                     Utf8Texts(node, kPnpxXAddrs)});
  }
  return nodes;
}

}  // namespace jobhost::portlink
