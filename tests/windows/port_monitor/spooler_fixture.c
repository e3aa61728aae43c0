/* Adds the port monitor tests' printers to Wine's spooler, and asks a port
 * library about one:
 *   spooler_fixture printer <name> <port>    adds a printer on a port
 *   spooler_fixture remove <name>            deletes it again
 *   spooler_fixture ask <library> <printer>  prints the kind, the result of
 *                                            the address call, the address
 * Prints what failed and the system's error code; exit code 1 then. */

#include <windows.h>
#include <winspool.h>

#include <stdio.h>

static const wchar_t driver_name[] = L"jobhost test driver";

static int failed(const char* what, DWORD error) {
  printf("spooler_fixture: %s failed: %lu\n", what, (unsigned long)error);
  return 1;
}

static int add_printer(wchar_t* name, wchar_t* port) {
  DRIVER_INFO_3W driver = {0};
  PRINTER_INFO_2W printer = {0};
  HANDLE added;
  driver.cVersion = 3;
  driver.pName = (wchar_t*)driver_name;
  driver.pDriverPath = L"wineps.drv";
  driver.pDataFile = L"wineps.drv";
  driver.pConfigFile = L"wineps.drv";
  if (!AddPrinterDriverExW(NULL, 3, (BYTE*)&driver, APD_COPY_NEW_FILES) &&
      GetLastError() != ERROR_PRINTER_DRIVER_ALREADY_INSTALLED) {
    return failed("AddPrinterDriverExW", GetLastError());
  }
  printer.pPrinterName = name;
  printer.pPortName = port;
  printer.pDriverName = (wchar_t*)driver_name;
  printer.pPrintProcessor = L"WinPrint";
  printer.pDatatype = L"RAW";
  added = AddPrinterW(NULL, 2, (BYTE*)&printer);
  if (added == NULL) return failed("AddPrinterW", GetLastError());
  ClosePrinter(added);
  return 0;
}

static int remove_printer(wchar_t* name) {
  PRINTER_DEFAULTSW defaults = {NULL, NULL, PRINTER_ALL_ACCESS};
  HANDLE printer;
  BOOL deleted;
  if (!OpenPrinterW(name, &printer, &defaults)) return failed("OpenPrinterW", GetLastError());
  deleted = DeletePrinter(printer);
  ClosePrinter(printer);
  return deleted ? 0 : failed("DeletePrinter", GetLastError());
}

typedef INT32(WINAPI* port_kind_function)(const wchar_t* printer);
typedef INT32(WINAPI* address_function)(const wchar_t* printer, wchar_t* address, UINT32* value);

static int ask(const wchar_t* path, const wchar_t* printer) {
  HMODULE library = LoadLibraryW(path);
  port_kind_function port_kind;
  address_function address;
  wchar_t text[512] = {0};
  UINT32 value = 0;
  INT32 kind, written;
  if (library == NULL) return failed("LoadLibraryW", GetLastError());
  port_kind =
      (port_kind_function)(void (*)(void))GetProcAddress(library, "GetPortTypeByPrinterName");
  address = (address_function)(void (*)(void))GetProcAddress(
      library, "GetIPAddressFromWsdPortByPrinterName");
  if (port_kind == NULL || address == NULL) return failed("GetProcAddress", GetLastError());
  kind = port_kind(printer);
  written = address(printer, text, &value);
  printf("%d %d %ls\n", (int)kind, (int)written, text);
  FreeLibrary(library);
  return 0;
}

int wmain(int argc, wchar_t** argv) {
  if (argc == 4 && wcscmp(argv[1], L"printer") == 0) return add_printer(argv[2], argv[3]);
  if (argc == 4 && wcscmp(argv[1], L"ask") == 0) return ask(argv[2], argv[3]);
  if (argc == 3 && wcscmp(argv[1], L"remove") == 0) return remove_printer(argv[2]);
  fputs("usage: spooler_fixture printer <name> <port> | remove <name> | ask <library> <printer>\n",
        stderr);
  return 2;
}
