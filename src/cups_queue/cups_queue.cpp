#include "cups_queue/cups_queue.h"

#include <cups/cups.h>
#include <sys/socket.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

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

// Holds one question to its budget, whatever the server does: once the
// budget is spent, the connection's socket is shut down, so every wait of
// libcups on it ends at once and the question fails. libcups may reconnect
// within a question (after a 401, 417 or 426), so the socket is looked up
// again every few milliseconds until the question has returned.
class QuestionBudget {
 public:
  QuestionBudget(http_t* http, std::chrono::milliseconds budget)
      : http_(http), deadline_(std::chrono::steady_clock::now() + budget) {
    watcher_ = std::thread([this] { Watch(); });
  }
  ~QuestionBudget() {
    {
      const std::lock_guard lock(mutex_);
      answered_ = true;
    }
    changed_.notify_one();
    watcher_.join();
  }
  QuestionBudget(const QuestionBudget&) = delete;
  QuestionBudget& operator=(const QuestionBudget&) = delete;

 private:
  void Watch() {
    std::unique_lock lock(mutex_);
    const auto answered = [this] { return answered_; };
    if (changed_.wait_until(lock, deadline_, answered)) return;
    do {
      // libcups replaces the descriptor only when it reconnects; one it has
      // just closed fails the shutdown harmlessly.
      const int fd = httpGetFd(http_);
      if (fd >= 0) ::shutdown(fd, SHUT_RDWR);
    } while (!changed_.wait_for(lock, std::chrono::milliseconds(10), answered));
  }

  http_t* http_;
  std::chrono::steady_clock::time_point deadline_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool answered_ = false;
  std::thread watcher_;
};

// Not yet connected (0 ms), so that the question's budget covers the
// connection too.
UniqueHttp NewConnection() {
  // Forget the server of an earlier call: its setting is read afresh each time.
  cupsSetServer(nullptr);
  cupsSetPasswordCB2(NoPassword, nullptr);
  UniqueHttp http(
      httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 0, nullptr));
  if (http) httpSetTimeout(http.get(), kCupsReplySeconds, GiveUp, nullptr);
  return http;
}

std::optional<std::string> AskDeviceUri(std::string_view queueName) {
  UniqueHttp http = NewConnection();
  if (!http) return std::nullopt;
  // Ends (and is joined) before the connection is closed.
  const QuestionBudget budget(http.get(), kCupsQuestionBudget);
  if (httpReconnect2(http.get(), kCupsConnectMilliseconds, nullptr) != 0) return std::nullopt;
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

}  // namespace

std::optional<std::string> QueueDeviceUri(std::string_view queueName) {
  if (queueName.empty()) return std::nullopt;
  // The port library's exports must not throw (a thread that cannot start).
  try {
    return AskDeviceUri(queueName);
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace jobhost
