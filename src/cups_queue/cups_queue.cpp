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

#include "cups_queue/host_lookup.h"
#include "system/unique_resource.h"

namespace jobhost::cups_queue {
namespace {

using UniqueHttp = UniquePointer<http_t, httpClose>;
using UniqueIpp = UniquePointer<ipp_t, ippDelete>;

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

using UniqueAddrList = UniquePointer<http_addrlist_t, httpAddrFreeList>;

using Clock = std::chrono::steady_clock;

std::chrono::milliseconds Remaining(Clock::time_point deadline) {
  return std::max(std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()),
                  std::chrono::milliseconds(0));
}

// The address as libcups keeps it, made from its text without a lookup.
UniqueAddrList AddrListOf(const addrinfo* entry, int port) {
  const std::optional<std::string> text = AddressText(*entry);
  if (!text) return nullptr;
  const std::string service = std::to_string(port);
  return UniqueAddrList(httpAddrGetList(text->c_str(), entry->ai_family, service.c_str()));
}

// The server's addresses, looked up here within the question's budget: left
// to libcups, the lookup would wait as long as the resolver does (two tries
// of 5 s for each name server).
UniqueAddrList ServerAddresses(const char* server, int port, Clock::time_point deadline) {
  UniqueAddrList addresses;
  http_addrlist_t* last = nullptr;
  UniqueAddrInfo found = LookUpHost(server, Remaining(deadline));
  for (const addrinfo* entry = found.get(); entry != nullptr; entry = entry->ai_next) {
    UniqueAddrList more = AddrListOf(entry, port);
    if (!more) continue;
    http_addrlist_t* added = more.release();
    if (last == nullptr) {
      addresses.reset(added);
    } else {
      last->next = added;
    }
    last = added;
    while (last->next != nullptr) last = last->next;
  }
  return addresses;
}

// A connection and the addresses it was made for, which it may reconnect to.
struct Connection {
  UniqueAddrList addresses;  // first member: outlives the connection
  UniqueHttp http;
};

// Not yet connected (0 ms), so that the question's budget covers the
// connection too. A local socket needs no lookup.
Connection NewConnection(Clock::time_point deadline) {
  // Forget the server of an earlier call: its setting is read afresh each time.
  cupsSetServer(nullptr);
  cupsSetPasswordCB2(NoPassword, nullptr);
  const char* server = cupsServer();
  const int port = ippPort();
  Connection connection;
  if (server[0] != '/') {
    connection.addresses = ServerAddresses(server, port, deadline);
    if (!connection.addresses) return connection;
  }
  connection.http.reset(httpConnect2(server, port, connection.addresses.get(), AF_UNSPEC,
                                     cupsEncryption(), 1, 0, nullptr));
  if (connection.http) httpSetTimeout(connection.http.get(), kCupsReplySeconds, GiveUp, nullptr);
  return connection;
}

// The causes other than an unknown queue.
constexpr std::string_view kNoServer = "no CUPS server answers a connection";
constexpr std::string_view kNoAnswerInTime = "no whole answer from the CUPS server in time";
constexpr std::string_view kQuestionFailed = "the CUPS server refused the question";
constexpr std::string_view kNoDeviceUri = "the CUPS server's answer holds no device URI";
constexpr std::string_view kCannotAsk = "the question cannot be made (out of memory)";

std::optional<std::string> AskDeviceUri(std::string_view queueName, std::string_view& why) {
  const Clock::time_point deadline = Clock::now() + kCupsQuestionBudget;
  const Connection connection = NewConnection(deadline);
  http_t* http = connection.http.get();
  why = kNoServer;
  if (http == nullptr) return std::nullopt;
  // Unwatched before the connection is closed.
  const BudgetWatcher::Question budget(BudgetWatcher::Instance(), http, Remaining(deadline));
  const int connectLimit = static_cast<int>(
      std::min<std::int64_t>(kCupsConnectMilliseconds, Remaining(deadline).count()));
  if (connectLimit <= 0 || httpReconnect2(http, connectLimit, nullptr) != 0) return std::nullopt;
  why = kCannotAsk;
  ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
  if (request == nullptr) return std::nullopt;
  const std::string printerUri = "ipp://localhost/printers/" + EscapedName(queueName);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, printerUri.c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
               cupsUser());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
               "device-uri");
  // cupsDoRequest takes the request over, on every path.
  UniqueIpp response(cupsDoRequest(http, request, "/"));
  why = kNoAnswerInTime;
  if (!response) return std::nullopt;
  const ipp_status_t status = ippGetStatusCode(response.get());
  // An unknown queue is an answer, not a failure.
  why = status == IPP_STATUS_ERROR_NOT_FOUND ? std::string_view() : kQuestionFailed;
  if (status > IPP_STATUS_OK_EVENTS_COMPLETE) return std::nullopt;
  why = kNoDeviceUri;
  ipp_attribute_t* deviceUri = ippFindAttribute(response.get(), "device-uri", IPP_TAG_URI);
  const char* text = deviceUri != nullptr ? ippGetString(deviceUri, 0, nullptr) : nullptr;
  if (text == nullptr) return std::nullopt;
  why = {};
  return std::string(text);
}

}  // namespace

std::optional<std::string> QueueDeviceUri(std::string_view queueName, std::string_view* why) {
  if (queueName.empty()) return std::nullopt;
  std::string_view cause;
  std::optional<std::string> uri;
  // The port library's exports must not throw (a thread that cannot start).
  try {
    uri = AskDeviceUri(queueName, cause);
  } catch (...) {
    cause = kCannotAsk;
  }
  if (why != nullptr) *why = cause;
  return uri;
}

}  // namespace jobhost::cups_queue
