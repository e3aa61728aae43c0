/* A rival for the request pipe's name, for the end-to-end tests under Wine.
   pipe_rival try NAME FOLDER: writes FOLDER\ready, then every millisecond
     until FOLDER\stop exists creates an inbound-only instance of NAME and
     closes it at once; prints "taken T of N tries". Wine refuses it while an
     instance of another open mode exists: it is taken only while NAME is free.
   pipe_rival hold NAME: holds NAME (one instance at most) and answers every
     message with "held" until it is ended. */
#include <windows.h>

#include <stdio.h>
#include <wchar.h>

static int Try(const wchar_t* name, const wchar_t* folder) {
  wchar_t ready[MAX_PATH], stop[MAX_PATH];
  unsigned long taken = 0, tries = 0;
  _snwprintf(ready, MAX_PATH, L"%ls\\ready", folder);
  _snwprintf(stop, MAX_PATH, L"%ls\\stop", folder);
  CloseHandle(CreateFileW(ready, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
  for (; GetFileAttributesW(stop) == INVALID_FILE_ATTRIBUTES; ++tries, Sleep(1)) {
    HANDLE pipe = CreateNamedPipeW(name, PIPE_ACCESS_INBOUND, PIPE_TYPE_MESSAGE | PIPE_WAIT,
                                   PIPE_UNLIMITED_INSTANCES, 512, 512, 0, NULL);
    if (pipe != INVALID_HANDLE_VALUE) ++taken, CloseHandle(pipe);
  }
  printf("taken %lu of %lu tries\n", taken, tries);
  return 0;
}

static int Hold(const wchar_t* name) {
  static const wchar_t reply[] = L"held";
  char request[8192];
  DWORD size = 0;
  HANDLE pipe = CreateNamedPipeW(name, PIPE_ACCESS_DUPLEX,
                                 PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 4096,
                                 4096, 0, NULL);
  if (pipe == INVALID_HANDLE_VALUE) return 1;
  for (;; DisconnectNamedPipe(pipe)) {
    if ((ConnectNamedPipe(pipe, NULL) || GetLastError() == ERROR_PIPE_CONNECTED) &&
        ReadFile(pipe, request, sizeof request, &size, NULL) &&
        WriteFile(pipe, reply, sizeof reply - sizeof *reply, &size, NULL))
      FlushFileBuffers(pipe);
  }
}

int wmain(int argc, wchar_t** argv) {
  if (argc == 4 && wcscmp(argv[1], L"try") == 0) return Try(argv[2], argv[3]);
  if (argc == 3 && wcscmp(argv[1], L"hold") == 0) return Hold(argv[2]);
  fputs("usage: pipe_rival try NAME FOLDER | hold NAME\n", stderr);
  return 2;
}
