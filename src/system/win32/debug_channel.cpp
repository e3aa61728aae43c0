#include "system/debug_channel.h"

#include <windows.h>

#include <string>

namespace jobhost {

void SendDebugText(std::string_view text) {
  const std::string terminated(text);
  ::OutputDebugStringA(terminated.c_str());
}

}  // namespace jobhost
