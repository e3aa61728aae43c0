#pragma once
// A Winsock socket, closed when its owner goes.

#include <winsock2.h>

#include "system/win32/unique_resource.h"

namespace jobhost::win32 {

struct SocketTraits {
  using Type = SOCKET;
  static Type Invalid() { return INVALID_SOCKET; }
  static void Release(Type socket) { ::closesocket(socket); }
};
using UniqueSocket = UniqueResource<SocketTraits>;

}  // namespace jobhost::win32
