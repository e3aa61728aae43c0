# A cross build finds no GoogleTest for its target system: build it from the
# packaged sources with the project's own compiler, and offer the same target
# names as find_package(GTest).
set(JOBHOST_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources built for the target")
if(NOT EXISTS ${JOBHOST_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in ${JOBHOST_GOOGLETEST_SOURCE_DIR} (Debian: googletest)")
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${JOBHOST_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

foreach(library gtest gtest_main gmock gmock_main)
  # Third-party code: its warnings are not ours to fail on.
  get_target_property(options ${library} COMPILE_OPTIONS)
  if(options)
    list(REMOVE_ITEM options -Werror)
    set_target_properties(${library} PROPERTIES COMPILE_OPTIONS "${options}")
  endif()
  if(NOT TARGET GTest::${library})
    add_library(GTest::${library} ALIAS ${library})
  endif()
endforeach()
