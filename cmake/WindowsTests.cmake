# Checks of the Windows build that are not unit tests: every produced program
# and library imports only system DLLs, and the stripped service stays small.
# Included from the unit tests' folder when building for Windows.

# The Wine prefix is made once, here, so that neither the test discovery after
# each build nor the first test pays for it (it takes a while).
if(CMAKE_CROSSCOMPILING_EMULATOR AND NOT EXISTS ${CMAKE_BINARY_DIR}/wineprefix/.jobhost-ready)
  message(STATUS "Creating the Wine prefix for the tests")
  execute_process(COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} cmd /c exit
    TIMEOUT 600 OUTPUT_QUIET ERROR_QUIET)
endif()

add_test(NAME windows_imports_are_system_dlls
  COMMAND ${CMAKE_COMMAND}
    -DOBJDUMP=${JOBHOST_OBJDUMP}
    -DDIRECTORY=${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
    -P ${CMAKE_CURRENT_LIST_DIR}/CheckWindowsImports.cmake)

add_test(NAME windows_service_stripped_size
  COMMAND ${CMAKE_COMMAND}
    -DSTRIP=${JOBHOST_STRIP}
    -DFILE=$<TARGET_FILE:jobhost_svc>
    -DLIMIT=307200
    -P ${CMAKE_CURRENT_LIST_DIR}/CheckStrippedSize.cmake)

# A small program the process tests start, list and stop; built beside the
# unit tests, which find it there.
add_executable(jobhost_win32_test_child
  ${PROJECT_SOURCE_DIR}/tests/unit/platform/win32/test_child/test_child.c)
add_dependencies(jobhost_unit_tests jobhost_win32_test_child)
