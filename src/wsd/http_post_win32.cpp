// HTTP on Windows: WinHTTP, one thread per running POST (at most
// kMaxPostsInFlight). A POST is cancelled by closing its request handle,
// which ends the blocking call its thread is in.

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

#include "support/utf.h"
#include "wsd/http_post.h"

namespace jobhost::wsd {
namespace {

struct InternetClose {
  void operator()(HINTERNET handle) const { ::WinHttpCloseHandle(handle); }
};
using InternetOwner = std::unique_ptr<void, InternetClose>;

constexpr wchar_t kContentType[] = L"Content-Type: application/soap+xml; charset=utf-8";

struct Post {
  int id = 0;
  std::string body;
  InternetOwner connection;
  // Taken (and closed) once: by the cancel, or after the thread ended.
  std::atomic<HINTERNET> request{nullptr};
  std::thread thread;
  bool ended = false;
  HttpReply reply;

  void CloseRequest() {
    if (HINTERNET handle = request.exchange(nullptr)) ::WinHttpCloseHandle(handle);
  }
};

bool SetOption(HINTERNET request, DWORD option, DWORD value) {
  return ::WinHttpSetOption(request, option, &value, sizeof value) != FALSE;
}

// The body of a 2xx answer, or nothing when it failed or passed the limit.
bool Exchange(Post& post, std::string& body) {
  HINTERNET request = post.request.load();
  if (!::WinHttpSendRequest(
          request, kContentType, static_cast<DWORD>(-1), const_cast<char*>(post.body.data()),
          static_cast<DWORD>(post.body.size()), static_cast<DWORD>(post.body.size()), 0) ||
      !::WinHttpReceiveResponse(request, nullptr)) {
    return false;
  }
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!::WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size,
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

class WinHttpPoster : public HttpPoster {
 public:
  explicit WinHttpPoster(InternetOwner session) : session_(std::move(session)) {}
  ~WinHttpPoster() override {
    for (Post& post : posts_) post.CloseRequest();
    for (Post& post : posts_) post.thread.join();
  }

  bool Start(int id, const std::string& url, const std::string& body, int timeoutMs) override {
    if (Running() >= kMaxPostsInFlight) return false;
    std::wstring wide;
    for (char16_t unit : Utf8ToUtf16(url)) wide.push_back(static_cast<wchar_t>(unit));
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength =
        static_cast<DWORD>(-1);
    if (!::WinHttpCrackUrl(wide.c_str(), 0, 0, &parts) || parts.nScheme != INTERNET_SCHEME_HTTP) {
      return false;
    }
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    const std::wstring path = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                              std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    Post& post = posts_.emplace_back();
    post.id = id;
    post.body = body;
    post.connection.reset(::WinHttpConnect(session_.get(), host.c_str(), parts.nPort, 0));
    HINTERNET request = post.connection ? ::WinHttpOpenRequest(
                                              post.connection.get(), L"POST", path.c_str(), nullptr,
                                              WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0)
                                        : nullptr;
    post.request = request;
    const int limit = std::max(timeoutMs, 1);
    // No redirect, no cookie, and never the user's credentials to a device
    // that asks for them.
    if (!request || !::WinHttpSetTimeouts(request, limit, limit, limit, limit) ||
        !SetOption(request, WINHTTP_OPTION_DISABLE_FEATURE,
                   WINHTTP_DISABLE_REDIRECTS | WINHTTP_DISABLE_COOKIES) ||
        !SetOption(request, WINHTTP_OPTION_AUTOLOGON_POLICY,
                   WINHTTP_AUTOLOGON_SECURITY_LEVEL_HIGH)) {
      post.CloseRequest();
      posts_.pop_back();
      return false;
    }
    post.thread = std::thread([this, &post] { Run(post); });
    return true;
  }

  std::vector<HttpReply> Wait(int timeoutMs) override {
    std::vector<HttpReply> replies;
    {
      std::unique_lock lock(mutex_);
      ended_.wait_for(lock, std::chrono::milliseconds(std::max(timeoutMs, 0)), [&] {
        return std::any_of(posts_.begin(), posts_.end(),
                           [](const Post& post) { return post.ended; });
      });
    }
    for (auto post = posts_.begin(); post != posts_.end();) {
      bool ended = false;
      {
        std::lock_guard lock(mutex_);
        ended = post->ended;
      }
      if (!ended) {
        ++post;
        continue;
      }
      post->thread.join();
      post->CloseRequest();
      replies.push_back(std::move(post->reply));
      post = posts_.erase(post);
    }
    return replies;
  }

  int Running() const override { return static_cast<int>(posts_.size()); }

 private:
  void Run(Post& post) {
    HttpReply reply{post.id, false, {}};
    reply.ok = Exchange(post, reply.body);
    if (!reply.ok) reply.body.clear();
    std::lock_guard lock(mutex_);
    post.reply = std::move(reply);
    post.ended = true;
    ended_.notify_all();
  }

  InternetOwner session_;
  std::mutex mutex_;
  std::condition_variable ended_;
  // Stable addresses: each thread holds its own post.
  std::list<Post> posts_;
};

}  // namespace

std::unique_ptr<HttpPoster> OpenHttpPoster() {
  InternetOwner session(::WinHttpOpen(L"jobhost", WINHTTP_ACCESS_TYPE_NO_PROXY,
                                      WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) return nullptr;
  return std::make_unique<WinHttpPoster>(std::move(session));
}

}  // namespace jobhost::wsd
