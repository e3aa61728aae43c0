/* A small program for the process tests: sleeps for the milliseconds given as
   its first parameter (a minute without one), then exits. Given a file as
   its second, it first writes there how many processes share its console. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
  DWORD milliseconds = argc > 1 ? (DWORD)strtoul(argv[1], NULL, 10) : 60000;
  FILE* report = argc > 2 ? fopen(argv[2], "w") : NULL;
  if (report != NULL) {
    DWORD processes[8];
    fprintf(report, "%lu", GetConsoleProcessList(processes, 8));
    fclose(report);
  }
  Sleep(milliseconds);
  return 0;
}
