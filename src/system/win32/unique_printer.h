#pragma once
// A printer or port-monitor handle of the spooler, closed by ClosePrinter.

#include <windows.h>
#include <winspool.h>
// winspool.h maps OpenPrinter to OpenPrinterW, which would rename the
// spooler seam's method of that name wherever this is included.
#undef OpenPrinter

#include "system/unique_resource.h"

namespace jobhost::win32 {

struct PrinterTraits {
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static void Release(Type printer) { ::ClosePrinter(printer); }
};
using UniquePrinter = UniqueResource<PrinterTraits>;

}  // namespace jobhost::win32
