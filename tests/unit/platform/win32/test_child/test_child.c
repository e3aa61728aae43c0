/* A small program for the process tests: sleeps for the milliseconds given as
   its one parameter (a minute without one), then exits. */
#include <windows.h>

#include <stdlib.h>

int main(int argc, char** argv) {
  DWORD milliseconds = argc > 1 ? (DWORD)strtoul(argv[1], NULL, 10) : 60000;
  Sleep(milliseconds);
  return 0;
}
