// Any message a client can send parses into a record that keeps the
// record's rules: at most one request, no text beyond its field.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "service/job_request.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > jobhost::kRequestMessageCapacity) return 0;
  jobhost::JobRequest request;
  request.actionResult = 7;
  jobhost::ParseJobRequest(std::as_bytes(std::span(data, size)), request);
  int flags = request.renderRequested + request.closeRequested + request.duplexRequested +
              request.createOverlayRequested + request.printOverlayRequested +
              request.checkPortRequested + request.endRenderRequested;
  if (flags > 1 || request.actionResult != 0 || !request.portAddress.empty()) std::abort();
  if (request.overlaySource.size() >= jobhost::kOverlayPathCapacity ||
      request.overlayTarget.size() >= jobhost::kOverlayPathCapacity ||
      request.renderArguments.size() >= jobhost::kRenderArgumentsCapacity ||
      request.portPrinterName.size() >= jobhost::kPrinterNameCapacity) {
    std::abort();
  }
  return 0;
}
