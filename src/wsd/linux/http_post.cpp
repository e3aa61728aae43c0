// HTTP on Linux: libcurl's multi interface runs every POST of a poster on
// the caller's thread, progressing whenever the caller waits.

#include <curl/curl.h>

#include <algorithm>
#include <memory>

#include "system/unique_resource.h"
#include "wsd/http_post.h"

namespace jobhost::wsd {
namespace {

using EasyOwner = UniquePointer<CURL, curl_easy_cleanup>;
using MultiOwner = UniquePointer<CURLM, curl_multi_cleanup>;
using ListOwner = UniquePointer<curl_slist, curl_slist_free_all>;
// libcurl's process-wide state, counted: taken by each poster, given back
// after it.
struct CurlGlobal {
  CurlGlobal() : ready(curl_global_init(CURL_GLOBAL_NOTHING) == CURLE_OK) {}
  ~CurlGlobal() {
    if (ready) curl_global_cleanup();
  }
  bool ready;
};

struct Transfer {
  int id = 0;
  EasyOwner easy;
  std::string body;
};

std::string UrlOf(const HttpTarget& target) {
  std::string url = "http://";
  if (target.host.find(':') == std::string::npos) {
    url += target.host;
  } else {
    // An IPv6 literal in brackets, its zone's '%' escaped.
    url += '[';
    for (char c : target.host) {
      url += c;
      if (c == '%') url += "25";
    }
    url += ']';
  }
  url += ':';
  url += std::to_string(target.port);
  url += target.path;
  return url;
}

// Stops the transfer (libcurl then reports a write error) once the body
// would pass the limit.
std::size_t Collect(char* data, std::size_t size, std::size_t count, void* user) {
  std::string& body = static_cast<Transfer*>(user)->body;
  const std::size_t bytes = size * count;
  if (body.size() + bytes > kMaxHttpBodyBytes) return 0;
  body.append(data, bytes);
  return bytes;
}

class CurlPoster : public HttpPoster {
 public:
  CurlPoster() {
    curl_slist* headers =
        curl_slist_append(nullptr, "Content-Type: application/soap+xml; charset=utf-8");
    // No "100-continue" round trip before the body.
    if (headers) headers_.reset(curl_slist_append(headers, "Expect:"));
    if (!headers_) curl_slist_free_all(headers);
  }
  ~CurlPoster() override {
    for (const auto& transfer : running_)
      curl_multi_remove_handle(multi_.get(), transfer->easy.get());
  }

  bool Usable() const { return global_.ready && multi_ && headers_; }

  bool Start(int id, const HttpTarget& target, const std::string& body, int timeoutMs) override {
    if (running_.size() >= kMaxPostsInFlight) return false;
    auto transfer = std::make_unique<Transfer>();
    transfer->id = id;
    transfer->easy.reset(curl_easy_init());
    CURL* easy = transfer->easy.get();
    if (!easy) return false;
    bool set = true;
    const auto option = [&](CURLoption name, auto value) {
      set = set && curl_easy_setopt(easy, name, value) == CURLE_OK;
    };
    const std::string url = UrlOf(target);
    option(CURLOPT_URL, url.c_str());
    option(CURLOPT_PROTOCOLS_STR, "http");
    option(CURLOPT_REDIR_PROTOCOLS_STR, "http");
    option(CURLOPT_FOLLOWLOCATION, 0L);
    option(CURLOPT_PROXY, "");  // a device on the LAN, never through a proxy
    option(CURLOPT_NOSIGNAL, 1L);
    // Nothing on the console: no trace, no progress meter.
    option(CURLOPT_VERBOSE, 0L);
    option(CURLOPT_NOPROGRESS, 1L);
    option(CURLOPT_TIMEOUT_MS, static_cast<long>(std::max(timeoutMs, 1)));
    option(CURLOPT_HTTPHEADER, headers_.get());
    option(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    option(CURLOPT_COPYPOSTFIELDS, body.c_str());
    option(CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxHttpBodyBytes));
    option(CURLOPT_WRITEFUNCTION, Collect);
    option(CURLOPT_WRITEDATA, static_cast<void*>(transfer.get()));
    if (!set || curl_multi_add_handle(multi_.get(), easy) != CURLM_OK) return false;
    running_.push_back(std::move(transfer));
    return true;
  }

  std::vector<HttpReply> Wait(int timeoutMs) override {
    if (running_.empty()) return {};
    int active = 0;
    curl_multi_perform(multi_.get(), &active);
    std::vector<HttpReply> replies = Ended();
    if (replies.empty() && timeoutMs > 0) {
      curl_multi_poll(multi_.get(), nullptr, 0, timeoutMs, nullptr);
      curl_multi_perform(multi_.get(), &active);
      replies = Ended();
    }
    return replies;
  }

  int Running() const override { return static_cast<int>(running_.size()); }

 private:
  std::vector<HttpReply> Ended() {
    std::vector<HttpReply> replies;
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_.get(), &left)) {
      if (message->msg != CURLMSG_DONE) continue;
      const auto found = std::find_if(running_.begin(), running_.end(), [&](const auto& transfer) {
        return transfer->easy.get() == message->easy_handle;
      });
      if (found == running_.end()) continue;
      long status = 0;
      curl_easy_getinfo(message->easy_handle, CURLINFO_RESPONSE_CODE, &status);
      const bool ok = message->data.result == CURLE_OK && status >= 200 && status < 300;
      replies.push_back({(*found)->id, ok, ok ? std::move((*found)->body) : std::string()});
      curl_multi_remove_handle(multi_.get(), message->easy_handle);
      running_.erase(found);
    }
    return replies;
  }

  CurlGlobal global_;
  MultiOwner multi_{curl_multi_init()};
  ListOwner headers_;
  std::vector<std::unique_ptr<Transfer>> running_;
};

}  // namespace

std::unique_ptr<HttpPoster> OpenHttpPoster() {
  auto poster = std::make_unique<CurlPoster>();
  if (!poster->Usable()) return nullptr;
  return poster;
}

}  // namespace jobhost::wsd
