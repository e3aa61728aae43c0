/* A port monitor of the tests' own, for Wine's spooler, which has none for
 * TCP/IP or WSD ports. Copies of it are registered under a monitor's name;
 * each copy reads "<its own path>.ports": the monitor's name on the first
 * line, then one port a line as "<port>\t<address>". It lists those ports and
 * answers XcvData "IPAddress" with the port's address. */

#include <windows.h>
#include <winsplp.h>
#include <winspool.h>

#include <stdio.h>
#include <string.h>
#include <wchar.h>

#define MAX_PORTS 16
#define MAX_TEXT 128

struct port {
  wchar_t name[MAX_TEXT];
  wchar_t address[MAX_TEXT];
};

static wchar_t monitor_name[MAX_TEXT];
static struct port ports[MAX_PORTS];
static DWORD port_count;

static void trim(wchar_t* text) {
  size_t length = wcslen(text);
  while (length > 0 && (text[length - 1] == L'\n' || text[length - 1] == L'\r')) text[--length] = 0;
}

static void read_ports(HMODULE self) {
  wchar_t path[MAX_PATH + 8];
  char line[MAX_TEXT * 2];
  DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
  FILE* file;
  if (length == 0 || length >= MAX_PATH) return;
  wcscat(path, L".ports");
  file = _wfopen(path, L"r");
  if (file == NULL) return;
  if (fgets(line, sizeof line, file) != NULL) {
    MultiByteToWideChar(CP_UTF8, 0, line, -1, monitor_name, MAX_TEXT);
    trim(monitor_name);
  }
  while (port_count < MAX_PORTS && fgets(line, sizeof line, file) != NULL) {
    struct port* port = &ports[port_count];
    char* tab = strchr(line, '\t');
    if (tab == NULL) continue;
    *tab = 0;
    MultiByteToWideChar(CP_UTF8, 0, line, -1, port->name, MAX_TEXT);
    MultiByteToWideChar(CP_UTF8, 0, tab + 1, -1, port->address, MAX_TEXT);
    trim(port->address);
    ++port_count;
  }
  fclose(file);
}

static struct port* find_port(const wchar_t* name) {
  DWORD i;
  for (i = 0; i < port_count; ++i) {
    if (_wcsicmp(ports[i].name, name) == 0) return &ports[i];
  }
  return NULL;
}

/* PORT_INFO_2W entries first, their texts from the end of the buffer. */
static BOOL WINAPI enum_ports(HANDLE monitor, LPWSTR server, DWORD level, LPBYTE buffer, DWORD size,
                              LPDWORD needed, LPDWORD returned) {
  DWORD monitor_bytes = (DWORD)(wcslen(monitor_name) + 1) * sizeof(wchar_t);
  DWORD total = 0, i;
  BYTE* text_end = buffer + size;
  (void)monitor;
  (void)server;
  if (level != 2) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  /* Wine's spooler writes each entry's monitor name and description itself,
   * into room the size asked for here must include. */
  for (i = 0; i < port_count; ++i) {
    total += sizeof(PORT_INFO_2W) + (DWORD)(wcslen(ports[i].name) + 1) * sizeof(wchar_t) +
             (MAX_TEXT + MAX_PATH) * sizeof(wchar_t);
  }
  total += monitor_bytes;
  *needed = total;
  *returned = 0;
  if (buffer == NULL || size < total) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  text_end -= monitor_bytes;
  memcpy(text_end, monitor_name, monitor_bytes);
  for (i = 0; i < port_count; ++i) {
    PORT_INFO_2W* info = &((PORT_INFO_2W*)buffer)[i];
    size_t bytes = (wcslen(ports[i].name) + 1) * sizeof(wchar_t);
    text_end -= bytes;
    memcpy(text_end, ports[i].name, bytes);
    info->pPortName = (wchar_t*)text_end;
    info->pMonitorName = info->pDescription = (wchar_t*)(buffer + size - monitor_bytes);
    info->fPortType = PORT_TYPE_WRITE;
    info->Reserved = 0;
  }
  *returned = port_count;
  return TRUE;
}

static BOOL WINAPI xcv_open_port(HANDLE monitor, LPCWSTR object, ACCESS_MASK access, PHANDLE xcv) {
  (void)monitor;
  (void)access;
  *xcv = find_port(object);
  if (*xcv == NULL) SetLastError(ERROR_UNKNOWN_PORT);
  return *xcv != NULL;
}

static DWORD WINAPI xcv_data_port(HANDLE xcv, LPCWSTR data_name, PBYTE input, DWORD input_size,
                                  PBYTE output, DWORD output_size, PDWORD needed) {
  const struct port* port = xcv;
  DWORD bytes = (DWORD)(wcslen(port->address) + 1) * sizeof(wchar_t);
  (void)input;
  (void)input_size;
  if (wcscmp(data_name, L"IPAddress") != 0) return ERROR_INVALID_PARAMETER;
  *needed = bytes;
  if (output == NULL || output_size < bytes) return ERROR_INSUFFICIENT_BUFFER;
  memcpy(output, port->address, bytes);
  return ERROR_SUCCESS;
}

static BOOL WINAPI xcv_close_port(HANDLE xcv) {
  (void)xcv;
  return TRUE;
}

static void WINAPI shutdown_monitor(HANDLE monitor) {
  (void)monitor;
}

static MONITOR2 monitor = {.cbSize = sizeof(MONITOR2),
                           .pfnEnumPorts = enum_ports,
                           .pfnXcvOpenPort = xcv_open_port,
                           .pfnXcvDataPort = xcv_data_port,
                           .pfnXcvClosePort = xcv_close_port,
                           .pfnShutdown = shutdown_monitor};

__declspec(dllexport) LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT init, PHANDLE handle) {
  HMODULE self = NULL;
  (void)init;
  if (port_count == 0 && GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                            (LPCWSTR)&InitializePrintMonitor2, &self)) {
    read_ports(self);
  }
  *handle = (HANDLE)&monitor;
  return &monitor;
}
