#include "cups_queue/cups_queue.h"

#include <cups/cups.h>

#include <memory>

namespace jobhost {
namespace {

struct HttpClose {
  void operator()(http_t* http) const { httpClose(http); }
};
struct IppDelete {
  void operator()(ipp_t* ipp) const { ippDelete(ipp); }
};
using UniqueHttp = std::unique_ptr<http_t, HttpClose>;
using UniqueIpp = std::unique_ptr<ipp_t, IppDelete>;

// A wait that runs out ends the request instead of waiting again.
int GiveUp(http_t*, void*) {
  return 0;
}

// A port check never asks anyone for a password.
const char* NoPassword(const char*, http_t*, const char*, const char*, void*) {
  return nullptr;
}

// Every byte outside the unreserved set is escaped, so blanks, slashes and
// non-ASCII letters in a name reach the server as the name, never as a path.
std::string EscapedName(std::string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : name) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                 c == '-' || c == '.' || c == '_' || c == '~';
    if (plain) {
      out.push_back(static_cast<char>(c));
    } else {
      out += {'%', kHex[c >> 4], kHex[c & 0xF]};
    }
  }
  return out;
}

UniqueHttp ConnectToServer() {
  // Forget the server of an earlier call: its setting is read afresh each time.
  cupsSetServer(nullptr);
  cupsSetPasswordCB2(NoPassword, nullptr);
  UniqueHttp http(httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                               kCupsConnectMilliseconds, nullptr));
  if (http) httpSetTimeout(http.get(), kCupsReplySeconds, GiveUp, nullptr);
  return http;
}

}  // namespace

std::optional<std::string> QueueDeviceUri(std::string_view queueName) {
  if (queueName.empty()) return std::nullopt;
  UniqueHttp http = ConnectToServer();
  if (!http) return std::nullopt;
  ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
  if (request == nullptr) return std::nullopt;
  const std::string printerUri = "ipp://localhost/printers/" + EscapedName(queueName);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, printerUri.c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
               cupsUser());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
               "device-uri");
  // cupsDoRequest takes the request over, on every path.
  UniqueIpp response(cupsDoRequest(http.get(), request, "/"));
  if (!response || ippGetStatusCode(response.get()) > IPP_STATUS_OK_EVENTS_COMPLETE) {
    return std::nullopt;
  }
  ipp_attribute_t* deviceUri = ippFindAttribute(response.get(), "device-uri", IPP_TAG_URI);
  const char* text = deviceUri != nullptr ? ippGetString(deviceUri, 0, nullptr) : nullptr;
  if (text == nullptr) return std::nullopt;
  return std::string(text);
}

}  // namespace jobhost
