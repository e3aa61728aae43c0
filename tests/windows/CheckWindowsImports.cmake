# cmake -DOBJDUMP=<objdump> -DDIRECTORY=<bin folder> -P CheckWindowsImports.cmake
# Fails when any .exe or .dll in DIRECTORY imports a DLL that a bare Windows
# system does not have (a compiler runtime such as libstdc++, libgcc or
# libwinpthread, or anything else not on the list).
cmake_minimum_required(VERSION 3.25)

set(system_dlls
  advapi32.dll bcrypt.dll cfgmgr32.dll comctl32.dll comdlg32.dll crypt32.dll gdi32.dll
  iphlpapi.dll kernel32.dll msvcrt.dll ntdll.dll ole32.dll oleaut32.dll
  rpcrt4.dll secur32.dll shell32.dll shlwapi.dll ucrtbase.dll user32.dll
  userenv.dll version.dll winhttp.dll winspool.drv ws2_32.dll wsock32.dll)

file(GLOB files ${DIRECTORY}/*.exe ${DIRECTORY}/*.dll)
if(NOT files)
  message(FATAL_ERROR "no .exe or .dll in ${DIRECTORY}")
endif()

set(failures "")
foreach(file IN LISTS files)
  execute_process(COMMAND ${OBJDUMP} -p ${file} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    string(APPEND failures "  ${file}: objdump failed\n")
    continue()
  endif()
  string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${dump}")
  foreach(entry IN LISTS imports)
    string(REPLACE "DLL Name: " "" dll "${entry}")
    string(STRIP "${dll}" dll)
    string(TOLOWER "${dll}" dll)
    if(dll MATCHES "^api-ms-win-")
      continue()
    endif()
    if(NOT dll IN_LIST system_dlls)
      string(APPEND failures "  ${file}: imports ${dll}\n")
    endif()
  endforeach()
  get_filename_component(name ${file} NAME)
  list(LENGTH imports count)
  message(STATUS "${name}: ${count} system DLLs")
endforeach()

if(failures)
  message(FATAL_ERROR "non-system imports:\n${failures}")
endif()
