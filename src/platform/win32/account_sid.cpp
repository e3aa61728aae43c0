#include "platform/win32/account_sid.h"

#include <sddl.h>

#include <vector>

#include "system/win32/unique_resource.h"

namespace jobhost::win32 {

std::wstring AccountSidOf(HANDLE process) {
  HANDLE opened = nullptr;
  if (!::OpenProcessToken(process, TOKEN_QUERY, &opened)) return {};
  const UniqueHandle token(opened);
  DWORD size = 0;
  ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  // As DWORDs, so the TOKEN_USER at its start is aligned.
  std::vector<DWORD> buffer(size / sizeof(DWORD) + 1);
  if (!::GetTokenInformation(token.get(), TokenUser, buffer.data(),
                             static_cast<DWORD>(buffer.size() * sizeof(DWORD)), &size)) {
    return {};
  }
  LPWSTR text = nullptr;
  if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text))
    return {};
  const UniqueLocalMemory owned(text);
  return text;
}

}  // namespace jobhost::win32
