// Sequential request round trips against the real service (Windows build,
// run under Wine), next to a bare named-pipe echo measured in the same run:
// each round trip is one connection, one request, one reply, as the driver
// package does it. Google Benchmark is not part of the cross toolchain, so
// this times its own loops: several batches of each kind, interleaved, and
// the median batch per kind.
//
//   pipe_round_trip_bench.exe [round trips per batch] [batches]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string Utf16(const std::string& ascii) {
  std::string bytes;
  for (char c : ascii) bytes += {c, '\0'};
  return bytes;
}

// One connection: send, receive the reply. Waits while every instance is
// busy or none exists yet, for at most five seconds (then the reply is empty).
std::string RoundTrip(const std::wstring& name, const std::string& message) {
  const auto deadline = Clock::now() + std::chrono::seconds(5);
  HANDLE pipe = INVALID_HANDLE_VALUE;
  while (pipe == INVALID_HANDLE_VALUE) {
    pipe = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                         nullptr);
    if (pipe != INVALID_HANDLE_VALUE) break;
    if (Clock::now() > deadline) return {};
    if (::GetLastError() == ERROR_PIPE_BUSY)
      ::WaitNamedPipeW(name.c_str(), 100);
    else
      ::Sleep(1);
  }
  DWORD mode = PIPE_READMODE_MESSAGE;
  ::SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr);
  DWORD count = 0;
  char reply[8192];
  std::string received;
  if (::WriteFile(pipe, message.data(), static_cast<DWORD>(message.size()), &count, nullptr) &&
      ::ReadFile(pipe, reply, sizeof reply, &count, nullptr)) {
    received.assign(reply, count);
  }
  ::CloseHandle(pipe);
  return received;
}

// An instance per connection, like the service, that echoes one message.
DWORD WINAPI ServeEcho(LPVOID context) {
  const auto& name = *static_cast<const std::wstring*>(context);
  for (;;) {
    HANDLE pipe = ::CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX,
                                     PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                                     PIPE_UNLIMITED_INSTANCES, 4096, 4096, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE) return 1;
    char message[8192];
    DWORD count = 0;
    bool stop = false;
    if ((::ConnectNamedPipe(pipe, nullptr) || ::GetLastError() == ERROR_PIPE_CONNECTED) &&
        ::ReadFile(pipe, message, sizeof message, &count, nullptr)) {
      stop = count == 1;
      ::WriteFile(pipe, message, count, &count, nullptr);
      ::FlushFileBuffers(pipe);
      ::DisconnectNamedPipe(pipe);
    }
    ::CloseHandle(pipe);
    if (stop) return 0;
  }
}

fs::path OwnFolder() {
  wchar_t path[MAX_PATH];
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return fs::path(path).parent_path();
}

// The service and the scripted port library copied into a folder of their
// own under the family prefix "bn".
class Service {
 public:
  explicit Service(const std::string& builtPrefix) {
    folder_ =
        fs::temp_directory_path() / ("jobhost-bench-" + std::to_string(::GetCurrentProcessId()));
    fs::create_directories(folder_);
    const fs::path bin = OwnFolder();
    fs::copy_file(bin / (builtPrefix + "svc.exe"), folder_ / "bnsvc.exe",
                  fs::copy_options::overwrite_existing);
    fs::copy_file(bin / (builtPrefix + "portlink_scripted.dll"), folder_ / "bnportlink.dll",
                  fs::copy_options::overwrite_existing);
    std::ofstream(folder_ / "bnportlink.table") << "Plain\t1\n";
    std::ofstream(folder_ / "overlay.src") << std::string(4096, 'o');
    std::wstring command = L"\"" + (folder_ / "bnsvc.exe").wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder_.c_str(), &startup, &process_)) {
      std::fprintf(stderr, "cannot start the service\n");
      std::exit(1);
    }
  }
  ~Service() {
    RoundTrip(name(), Utf16("Close"));
    ::WaitForSingleObject(process_.hProcess, 10000);
    ::CloseHandle(process_.hThread);
    ::CloseHandle(process_.hProcess);
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  std::wstring name() const { return L"\\\\.\\pipe\\bnxpsnamedpipe"; }
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
  PROCESS_INFORMATION process_{};
};

struct Kind {
  const char* label;
  std::wstring pipe;
  std::string message;
  std::string expected;
  std::vector<double> batches;  // milliseconds per round trip
};

}  // namespace

int main(int argc, char** argv) {
  const int perBatch = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  const int batches = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
  Service service(JOBHOST_BUILD_PREFIX);
  std::wstring echoName =
      L"\\\\.\\pipe\\jobhost-bench-echo-" + std::to_wstring(::GetCurrentProcessId());
  HANDLE echo = ::CreateThread(nullptr, 0, ServeEcho, &echoName, 0, nullptr);

  std::vector<Kind> kinds = {
      {"bare named-pipe echo", echoName, Utf16("CheckPort/Plain"), Utf16("CheckPort/Plain"), {}},
      {"service CheckPort kind 1", service.name(), Utf16("CheckPort/Plain"), Utf16("Port1/"), {}},
      {"service 4 KB overlay", service.name(), service.OverlayRequest(), Utf16("RenderReady"), {}},
  };
  for (Kind& kind : kinds) {
    if (RoundTrip(kind.pipe, kind.message) != kind.expected) {
      std::fprintf(stderr, "%s: wrong reply\n", kind.label);
      return 1;
    }
  }
  for (int batch = 0; batch < batches; ++batch) {
    for (Kind& kind : kinds) {
      const auto start = Clock::now();
      for (int i = 0; i < perBatch; ++i) RoundTrip(kind.pipe, kind.message);
      const std::chrono::duration<double, std::milli> spent = Clock::now() - start;
      kind.batches.push_back(spent.count() / perBatch);
    }
  }
  RoundTrip(echoName, "x");
  ::WaitForSingleObject(echo, 5000);
  ::CloseHandle(echo);

  double echoMedian = 0;
  std::printf("%-26s %12s %12s\n", "round trip", "median ms", "x echo");
  for (Kind& kind : kinds) {
    std::sort(kind.batches.begin(), kind.batches.end());
    const double median = kind.batches[kind.batches.size() / 2];
    if (echoMedian == 0) echoMedian = median;
    std::printf("%-26s %12.3f %12.1f\n", kind.label, median, median / echoMedian);
  }
  return 0;
}
