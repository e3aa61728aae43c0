// Host names through the system resolver, within a bounded wait. Windows 7
// has no cancellable lookup, so it runs on a thread of its own that the
// caller stops waiting for; the thread keeps the library loaded until it
// ends, so unloading the library never pulls its code from under it.

#include <winsock2.h>
#include <ws2tcpip.h>
// winsock2.h before windows.h.
#include <windows.h>

#include <memory>
#include <optional>

#include "print_system_win32.h"
#include "system/win32/unique_resource.h"
#include "system/win32/wide_text.h"

namespace jobhost::portlink {
namespace {

struct Lookup {
  std::wstring host;
  std::vector<AddressCandidate> found;  // written before done is set, never after
  win32::UniqueHandle done{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

struct LookupThread {
  std::shared_ptr<Lookup> lookup;
  HMODULE library = nullptr;
};

std::optional<AddressCandidate> CandidateOf(const ADDRINFOW& entry) {
  wchar_t text[INET6_ADDRSTRLEN] = {};
  if (entry.ai_family == AF_INET) {
    const auto* address = reinterpret_cast<const sockaddr_in*>(entry.ai_addr);
    if (!::InetNtopW(AF_INET, &address->sin_addr, text, INET6_ADDRSTRLEN)) return std::nullopt;
    return AddressCandidate{win32::Utf8FromWide(text), 0};
  }
  if (entry.ai_family == AF_INET6) {
    const auto* address = reinterpret_cast<const sockaddr_in6*>(entry.ai_addr);
    if (!::InetNtopW(AF_INET6, &address->sin6_addr, text, INET6_ADDRSTRLEN)) return std::nullopt;
    return AddressCandidate{win32::Utf8FromWide(text), address->sin6_scope_id};
  }
  return std::nullopt;
}

void ResolveInto(Lookup& lookup) {
  WSADATA data;
  if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
  ADDRINFOW hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  ADDRINFOW* list = nullptr;
  if (::GetAddrInfoW(lookup.host.c_str(), nullptr, &hints, &list) == 0) {
    for (const ADDRINFOW* entry = list; entry != nullptr; entry = entry->ai_next) {
      if (auto candidate = CandidateOf(*entry)) lookup.found.push_back(std::move(*candidate));
    }
    ::FreeAddrInfoW(list);
  }
  ::WSACleanup();
}

// Returns the library to release; the lookup is let go before.
HMODULE RunLookup(LookupThread* start) {
  std::unique_ptr<LookupThread> owned(start);
  ResolveInto(*owned->lookup);
  ::SetEvent(owned->lookup->done.get());
  return owned->library;
}

DWORD WINAPI LookupMain(void* parameter) {
  ::FreeLibraryAndExitThread(RunLookup(static_cast<LookupThread*>(parameter)), 0);
}

}  // namespace

std::vector<AddressCandidate> Win32PrintSystem::Resolve(const std::string& host,
                                                        std::chrono::milliseconds limit) {
  auto lookup = std::make_shared<Lookup>();
  lookup->host = win32::WideFromUtf8(host);
  if (!lookup->done) return {};
  auto start = std::make_unique<LookupThread>(LookupThread{lookup, nullptr});
  if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCWSTR>(&LookupMain), &start->library)) {
    return {};
  }
  const HMODULE library = start->library;
  win32::UniqueHandle thread(::CreateThread(nullptr, 0, LookupMain, start.get(), 0, nullptr));
  if (!thread) {
    ::FreeLibrary(library);
    return {};
  }
  static_cast<void>(start.release());  // the thread's now
  if (::WaitForSingleObject(lookup->done.get(), static_cast<DWORD>(limit.count())) !=
      WAIT_OBJECT_0) {
    return {};
  }
  return lookup->found;
}

}  // namespace jobhost::portlink
