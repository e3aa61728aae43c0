// HTTP on Windows: WinHTTP, one thread per running POST (at most
// kMaxPostsInFlight). A POST is cancelled by closing its request handle, but
// its thread is never waited for: WinHTTP may hold it past the deadline
// (Wine's does), and a find call must end on time. So each thread owns what
// it uses and keeps this module loaded until it ends.

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <atomic>
#include <memory>

#include "system/win32/unique_resource.h"
#include "system/win32/wide_text.h"
#include "wsd/http_post.h"

namespace jobhost::wsd {
namespace {

struct InternetTraits {
  using Type = HINTERNET;
  static Type Invalid() { return nullptr; }
  static void Release(Type handle) { ::WinHttpCloseHandle(handle); }
};
using InternetOwner = UniqueResource<InternetTraits>;

constexpr wchar_t kContentType[] = L"Content-Type: application/soap+xml; charset=utf-8";

// Where the threads of one poster leave their replies; it lives as long as
// the poster or a thread of it.
struct Replies {
  SRWLOCK lock = SRWLOCK_INIT;
  CONDITION_VARIABLE ended = CONDITION_VARIABLE_INIT;
  std::vector<HttpReply> replies;
};

struct Post {
  ~Post() { CloseRequest(); }
  // Taken (and closed) once: by the cancel or by the end of the post.
  void CloseRequest() {
    if (HINTERNET handle = request.exchange(nullptr)) ::WinHttpCloseHandle(handle);
  }

  int id = 0;
  std::string body;
  std::shared_ptr<Replies> replies;
  std::shared_ptr<void> session;
  InternetOwner connection;
  std::atomic<HINTERNET> request{nullptr};
};

struct ThreadStart {
  std::shared_ptr<Post> post;
  HMODULE module = nullptr;
};

bool SetOption(HINTERNET request, DWORD option, DWORD value) {
  return ::WinHttpSetOption(request, option, &value, sizeof value) != FALSE;
}

// The body of a 2xx answer; false when it failed or passed the limit.
bool Exchange(Post& post, std::string& body) {
  HINTERNET request = post.request.load();
  const DWORD size = static_cast<DWORD>(post.body.size());
  if (!::WinHttpSendRequest(request, kContentType, static_cast<DWORD>(-1),
                            const_cast<char*>(post.body.data()), size, size, 0) ||
      !::WinHttpReceiveResponse(request, nullptr)) {
    return false;
  }
  DWORD status = 0;
  DWORD statusSize = sizeof status;
  if (!::WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusSize,
                             WINHTTP_NO_HEADER_INDEX) ||
      status < 200 || status >= 300) {
    return false;
  }
  char chunk[4096];
  for (;;) {
    DWORD read = 0;
    if (!::WinHttpReadData(request, chunk, sizeof chunk, &read)) return false;
    if (read == 0) return true;
    if (body.size() + read > kMaxHttpBodyBytes) return false;
    body.append(chunk, read);
  }
}

DWORD WINAPI RunPost(void* parameter) {
  const HMODULE module = static_cast<ThreadStart*>(parameter)->module;
  {
    std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(parameter));
    Post& post = *start->post;
    HttpReply reply{post.id, false, {}};
    reply.ok = Exchange(post, reply.body);
    if (!reply.ok) reply.body.clear();
    Replies& replies = *post.replies;
    ::AcquireSRWLockExclusive(&replies.lock);
    replies.replies.push_back(std::move(reply));
    ::ReleaseSRWLockExclusive(&replies.lock);
    ::WakeAllConditionVariable(&replies.ended);
  }
  // Everything of this thread is gone; only the code it runs remains.
  ::FreeLibraryAndExitThread(module, 0);
}

class WinHttpPoster : public HttpPoster {
 public:
  explicit WinHttpPoster(std::shared_ptr<void> session) : session_(std::move(session)) {}
  ~WinHttpPoster() override {
    for (const auto& post : running_) post->CloseRequest();
  }

  bool Start(int id, const HttpTarget& target, const std::string& body, int timeoutMs) override {
    if (Running() >= kMaxPostsInFlight) return false;
    auto post = std::make_shared<Post>();
    post->id = id;
    post->body = body;
    post->replies = replies_;
    post->session = session_;
    post->connection.reset(
        ::WinHttpConnect(session_.get(), win32::WideFromUtf8(target.host).c_str(), target.port, 0));
    if (post->connection) {
      post->request = ::WinHttpOpenRequest(post->connection.get(), L"POST",
                                           win32::WideFromUtf8(target.path).c_str(), nullptr,
                                           WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0);
    }
    const HINTERNET request = post->request.load();
    const int limit = std::max(timeoutMs, 1);
    // No redirect, no cookie, and never the user's credentials to a device
    // that asks for them.
    if (!request || !::WinHttpSetTimeouts(request, limit, limit, limit, limit) ||
        !SetOption(request, WINHTTP_OPTION_DISABLE_FEATURE,
                   WINHTTP_DISABLE_REDIRECTS | WINHTTP_DISABLE_COOKIES) ||
        !SetOption(request, WINHTTP_OPTION_AUTOLOGON_POLICY,
                   WINHTTP_AUTOLOGON_SECURITY_LEVEL_HIGH) ||
        !StartThread(post)) {
      return false;
    }
    running_.push_back(std::move(post));
    return true;
  }

  std::vector<HttpReply> Wait(int timeoutMs) override {
    const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(std::max(timeoutMs, 0));
    ::AcquireSRWLockExclusive(&replies_->lock);
    for (ULONGLONG now = ::GetTickCount64(); replies_->replies.empty() && now < deadline;
         now = ::GetTickCount64()) {
      ::SleepConditionVariableSRW(&replies_->ended, &replies_->lock,
                                  static_cast<DWORD>(deadline - now), 0);
    }
    std::vector<HttpReply> replies = std::move(replies_->replies);
    replies_->replies.clear();
    ::ReleaseSRWLockExclusive(&replies_->lock);
    for (const HttpReply& reply : replies) {
      std::erase_if(running_, [&](const auto& post) { return post->id == reply.id; });
    }
    return replies;
  }

  int Running() const override { return static_cast<int>(running_.size()); }

 private:
  // The thread holds its own reference to this module, dropped as it exits.
  static bool StartThread(const std::shared_ptr<Post>& post) {
    HMODULE module = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                              reinterpret_cast<LPCWSTR>(&RunPost), &module)) {
      return false;
    }
    auto* start = new ThreadStart{post, module};
    HANDLE thread = ::CreateThread(nullptr, 0, RunPost, start, 0, nullptr);
    if (!thread) {
      delete start;
      ::FreeLibrary(module);
      return false;
    }
    ::CloseHandle(thread);
    return true;
  }

  std::shared_ptr<void> session_;
  std::shared_ptr<Replies> replies_ = std::make_shared<Replies>();
  std::vector<std::shared_ptr<Post>> running_;
};

}  // namespace

std::unique_ptr<HttpPoster> OpenHttpPoster() {
  HINTERNET session = ::WinHttpOpen(L"jobhost", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                    WINHTTP_NO_PROXY_BYPASS, 0);
  if (!session) return nullptr;
  return std::make_unique<WinHttpPoster>(std::shared_ptr<void>(session, InternetTraits::Release));
}

}  // namespace jobhost::wsd
