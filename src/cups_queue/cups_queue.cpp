#include "cups_queue/cups_queue.h"

#include <cups/cups.h>
#include <sys/socket.h>

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace jobhost::cups_queue {
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

// Holds every question to its budget, whatever the server does: once a
// question's budget is spent, its connection's socket is shut down, so every
// wait of libcups on it ends at once and the question fails. libcups may
// reconnect within a question (after a 401, 417 or 426), so the socket is
// looked up again every few milliseconds until the question has returned.
// One thread watches every question of the process: started with the first,
// it waits on a condition variable, so a question costs no thread of its
// own. It is joined when the process ends or the library that holds it is
// unloaded.
class BudgetWatcher {
 public:
  // Watches one question from its construction to its destruction.
  class Question {
   public:
    Question(BudgetWatcher& watcher, http_t* http, std::chrono::milliseconds budget)
        : watcher_(watcher), id_(watcher.Add(http, Clock::now() + budget)) {}
    ~Question() { watcher_.Remove(id_); }
    Question(const Question&) = delete;
    Question& operator=(const Question&) = delete;

   private:
    BudgetWatcher& watcher_;
    std::uint64_t id_;
  };

  static BudgetWatcher& Instance() {
    static BudgetWatcher watcher;
    return watcher;
  }

  ~BudgetWatcher() {
    {
      const std::lock_guard lock(mutex_);
      ending_ = true;
    }
    changed_.notify_one();
    if (thread_.joinable()) thread_.join();
  }
  BudgetWatcher(const BudgetWatcher&) = delete;
  BudgetWatcher& operator=(const BudgetWatcher&) = delete;

 private:
  using Clock = std::chrono::steady_clock;

  struct Watched {
    std::uint64_t id;
    http_t* http;
    Clock::time_point deadline;
  };

  BudgetWatcher() = default;

  // Throws std::system_error when the thread cannot be started; the question
  // then fails before it is asked.
  std::uint64_t Add(http_t* http, Clock::time_point deadline) {
    const std::lock_guard lock(mutex_);
    if (!thread_.joinable()) thread_ = std::thread([this] { Watch(); });
    watched_.push_back({++lastId_, http, deadline});
    changed_.notify_one();
    return lastId_;
  }

  // Once this returns, the connection is never touched again, so it may be
  // closed.
  void Remove(std::uint64_t id) {
    const std::lock_guard lock(mutex_);
    std::erase_if(watched_, [id](const Watched& watched) { return watched.id == id; });
  }

  void Watch() {
    std::unique_lock lock(mutex_);
    while (!ending_) {
      if (watched_.empty()) {
        changed_.wait(lock);
        continue;
      }
      const Clock::time_point now = Clock::now();
      Clock::time_point next = Clock::time_point::max();
      bool overdue = false;
      for (const Watched& watched : watched_) {
        if (watched.deadline > now) {
          next = std::min(next, watched.deadline);
          continue;
        }
        overdue = true;
        // libcups replaces the descriptor only when it reconnects; one it has
        // just closed fails the shutdown harmlessly.
        const int fd = httpGetFd(watched.http);
        if (fd >= 0) ::shutdown(fd, SHUT_RDWR);
      }
      if (overdue) next = std::min(next, now + std::chrono::milliseconds(10));
      changed_.wait_until(lock, next);
    }
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Watched> watched_;
  std::uint64_t lastId_ = 0;
  bool ending_ = false;
  std::thread thread_;
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
  // Unwatched before the connection is closed.
  const BudgetWatcher::Question budget(BudgetWatcher::Instance(), http.get(), kCupsQuestionBudget);
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

}  // namespace jobhost::cups_queue
