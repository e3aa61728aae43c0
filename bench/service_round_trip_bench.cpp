// Sequential request round trips against the real service, next to a bare
// SOCK_SEQPACKET echo round trip measured in the same run: each iteration is
// one connection, one request, one reply, as the driver package does it.
// Port checks run with the scripted port library and no CUPS server, and with
// the real port library against a private CUPS server.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "system/linux/abstract_socket.h"
#include "system/linux/program_start.h"
#include "system/linux/unique_fd.h"

namespace {

namespace fs = std::filesystem;
using jobhost::linux::AbstractSocketAddressOf;
using jobhost::linux::ChildSetting;
using jobhost::linux::StartedProgram;
using jobhost::linux::StartProgram;
using jobhost::linux::UniqueFd;

std::string Utf16(const std::string& ascii) {
  std::string bytes;
  for (char c : ascii) bytes += {c, '\0'};
  return bytes;
}

// One connection: send, receive the reply. Retries while no instance
// listens, and when the connection is reset because it was still queued when
// the listener closed (it was not served), for at most five seconds (then
// the reply is empty).
std::string RoundTrip(const std::string& name, const std::string& message) {
  const auto address = AbstractSocketAddressOf(name);
  if (!address) std::abort();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  for (;;) {
    UniqueFd client(socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
    if (connect(client.get(), address->get(), address->length) != 0) {
      if (std::chrono::steady_clock::now() > deadline) return {};
      continue;
    }
    char reply[8192];
    ssize_t received = -1;
    bool reset = send(client.get(), message.data(), message.size(), MSG_NOSIGNAL) < 0 &&
                 (errno == ECONNRESET || errno == EPIPE);
    if (!reset) received = recv(client.get(), reply, sizeof reply, 0);
    reset = reset || (received < 0 && errno == ECONNRESET);
    client.reset();
    if (reset && std::chrono::steady_clock::now() <= deadline) continue;
    return std::string(reply, received > 0 ? static_cast<std::size_t>(received) : 0);
  }
}

// A listener per connection, like the service, that echoes one message.
class EchoServer {
 public:
  explicit EchoServer(std::string name) : name_(std::move(name)), thread_([this] { Serve(); }) {}
  ~EchoServer() {
    stop_ = true;
    RoundTrip(name_, "x");
    thread_.join();
  }
  const std::string& name() const { return name_; }

 private:
  void Serve() {
    const auto address = AbstractSocketAddressOf(name_);
    if (!address) std::abort();
    while (!stop_) {
      UniqueFd listener(socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
      if (bind(listener.get(), address->get(), address->length) != 0 ||
          listen(listener.get(), 0) != 0) {
        std::abort();
      }
      const UniqueFd connection(accept4(listener.get(), nullptr, nullptr, SOCK_CLOEXEC));
      listener.reset();
      char message[8192];
      ssize_t received = recv(connection.get(), message, sizeof message, 0);
      if (received > 0)
        send(connection.get(), message, static_cast<std::size_t>(received), MSG_NOSIGNAL);
    }
  }

  std::string name_;
  std::atomic<bool> stop_ = false;
  std::thread thread_;
};

bool Accepts(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  const UniqueFd probe(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  return connect(probe.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

// A CUPS server of its own: every folder under one temporary folder, a unix
// socket there, two queues. Never the machine's own server.
class CupsServer {
 public:
  CupsServer() {
    folder_ = fs::temp_directory_path() / ("jobhost-bench-cups-" + std::to_string(getpid()));
    for (const char* sub : {"etc", "spool", "cache", "state", "tmp", "log"}) {
      fs::create_directories(folder_ / sub);
    }
    socket_ = (folder_ / "cups.sock").string();
    const std::string root = folder_.string();
    // Open to everyone on this socket, lpadmin included, without authentication.
    std::ofstream(folder_ / "etc/cupsd.conf")
        << "Listen " << socket_
        << "\nBrowsing Off\nDefaultAuthType None\n<Location />\n  Order allow,deny\n  Allow "
           "all\n</Location>\n<Policy default>\n  <Limit All>\n    Order deny,allow\n  "
           "</Limit>\n</Policy>\n";
    std::ofstream(folder_ / "etc/cups-files.conf")
        << "ServerRoot " << root << "/etc\nRequestRoot " << root << "/spool\nCacheDir " << root
        << "/cache\nStateDir " << root << "/state\nTempDir " << root << "/tmp\nErrorLog " << root
        << "/log/error_log\nAccessLog " << root << "/log/access_log\nPageLog " << root
        << "/log/page_log\nSandboxing Relaxed\n";
    std::string conf = (folder_ / "etc/cupsd.conf").string();
    std::string files = (folder_ / "etc/cups-files.conf").string();
    char cupsd[] = "/usr/sbin/cupsd";
    char foreground[] = "-f", confFlag[] = "-c", filesFlag[] = "-s";
    char* argv[] = {cupsd, foreground, confFlag, conf.data(), filesFlag, files.data(), nullptr};
    if (posix_spawn(&pid_, cupsd, nullptr, nullptr, argv, environ) != 0) return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!Accepts(socket_) && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ready_ = Accepts(socket_) && AddQueue("BenchTcp", "socket://192.0.2.5:9100") &&
             AddQueue("BenchIpp", "ipp://10.0.0.7/ipp/print");
  }
  ~CupsServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    fs::remove_all(folder_);
  }
  bool ready() const { return ready_; }
  const std::string& socket() const { return socket_; }

 private:
  bool AddQueue(const std::string& name, const std::string& uri) {
    std::string command = "CUPS_SERVER='" + socket_ + "' lpadmin -p " + name + " -E -v " + uri +
                          " -m drv:///sample.drv/generic.ppd 2>/dev/null";
    return std::system(command.c_str()) == 0;
  }

  fs::path folder_;
  std::string socket_;
  pid_t pid_ = 0;
  bool ready_ = false;
};

// The service and a port library copied into a folder of their own. The
// service asks the CUPS server at cupsServer (a socket that does not exist
// unless given).
class Service {
 public:
  explicit Service(const std::string& library = "portlink_scripted.dll",
                   const std::string& cupsServer = "") {
    folder_ = fs::temp_directory_path() / ("jobhost-bench-" + std::to_string(getpid()));
    fs::create_directories(folder_);
    const fs::path bin = JOBHOST_BIN_DIR;
    const std::string built = JOBHOST_BUILD_PREFIX;
    fs::copy_file(bin / (built + "svc.exe"), folder_ / "bnsvc.exe");
    fs::copy_file(bin / (built + library), folder_ / "bnportlink.dll");
    std::ofstream(folder_ / "bnportlink.table") << "Plain\t1\n";
    setenv("CUPS_SERVER",
           cupsServer.empty() ? (folder_ / "no-server.sock").c_str() : cupsServer.c_str(), 1);
    std::ofstream(folder_ / "overlay.src") << std::string(4096, 'o');
    const StartedProgram started =
        StartProgram((folder_ / "bnsvc.exe").string(), std::nullopt, ChildSetting::kInherited);
    if (!started) std::abort();
    pid_ = started.pid;
  }
  ~Service() {
    RoundTrip(name(), Utf16("Close"));
    waitpid(pid_, nullptr, 0);
    fs::remove_all(folder_);
  }
  std::string name() const { return "bnxpsnamedpipe"; }
  // Paths in requests have "\\" separators: "/" separates the fields.
  std::string OverlayRequest() const {
    std::string source = (folder_ / "overlay.src").string();
    std::string target = (folder_ / "overlay.dst").string();
    std::replace(source.begin(), source.end(), '/', '\\');
    std::replace(target.begin(), target.end(), '/', '\\');
    return Utf16("CreateOverlay/" + source + "/" + target);
  }

 private:
  fs::path folder_;
  pid_t pid_ = 0;
};

void BM_BareEchoRoundTrip(benchmark::State& state) {
  EchoServer echo("jobhost-bench-echo-" + std::to_string(getpid()));
  const std::string message = Utf16("CheckPort/Plain");
  for (auto _ : state) benchmark::DoNotOptimize(RoundTrip(echo.name(), message));
}

void BM_ServiceCheckPortKind1(benchmark::State& state) {
  Service service;
  const std::string message = Utf16("CheckPort/Plain");
  if (RoundTrip(service.name(), message) != Utf16("Port1/")) state.SkipWithError("wrong reply");
  for (auto _ : state) benchmark::DoNotOptimize(RoundTrip(service.name(), message));
}

void BM_ServiceOverlayCopy(benchmark::State& state) {
  Service service;
  const std::string message = service.OverlayRequest();
  if (RoundTrip(service.name(), message) != Utf16("RenderReady"))
    state.SkipWithError("wrong reply");
  for (auto _ : state) benchmark::DoNotOptimize(RoundTrip(service.name(), message));
}

// The real port library and the spooler each ask the server: kind 2 is two
// CUPS requests, kind 3 three.
void CheckPortThroughCups(benchmark::State& state, const char* printer, const char* reply) {
  CupsServer cups;
  if (!cups.ready()) {
    state.SkipWithError("no private CUPS server (needs cupsd, lpadmin)");
    return;
  }
  Service service("portlink.dll", cups.socket());
  const std::string message = Utf16(std::string("CheckPort/") + printer);
  if (RoundTrip(service.name(), message) != Utf16(reply)) state.SkipWithError("wrong reply");
  for (auto _ : state) benchmark::DoNotOptimize(RoundTrip(service.name(), message));
}

void BM_ServiceCheckPortCupsKind2(benchmark::State& state) {
  CheckPortThroughCups(state, "BenchTcp", "Port2/192.0.2.5");
}

void BM_ServiceCheckPortCupsKind3(benchmark::State& state) {
  CheckPortThroughCups(state, "BenchIpp", "Port3/10.0.0.7");
}

BENCHMARK(BM_BareEchoRoundTrip)->UseRealTime();
BENCHMARK(BM_ServiceCheckPortKind1)->UseRealTime();
BENCHMARK(BM_ServiceOverlayCopy)->UseRealTime();
BENCHMARK(BM_ServiceCheckPortCupsKind2)->UseRealTime();
BENCHMARK(BM_ServiceCheckPortCupsKind3)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
