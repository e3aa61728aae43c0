#pragma once
// Calling convention of the sibling libraries' exports and callbacks. On x64
// Windows there is one convention; the macro keeps the declarations honest.

#if defined(_WIN32)
#define JOBHOST_WINAPI __stdcall
#define JOBHOST_EXPORT extern "C" __declspec(dllexport)
#else
#define JOBHOST_WINAPI
#define JOBHOST_EXPORT extern "C" __attribute__((visibility("default")))
#endif
