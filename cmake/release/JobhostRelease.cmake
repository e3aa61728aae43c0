# What the release holds, for "cmake --install" and for the archive of the
# "package" target. Both put the same files in one folder: the program finds
# its siblings beside itself.
#
#   cmake --install: <prefix>/lib/jobhost/ (jobhostctl also in <prefix>/bin/)
#   package:         jobhost-<version>-<system>.zip/.tar.gz, one top folder,
#                    stripped, with SHA256SUMS inside and <archive>.sha256 beside

set(JOBHOST_INSTALL_DIR lib/jobhost)
if(WIN32)
  set(JOBHOST_RELEASE_SYSTEM windows-x64)
  set(JOBHOST_RELEASE_TARGETS jobhost_svc devprobe jobhost_portlink jobhostctl)
  set(JOBHOST_TOOL_FILE jobhostctl.exe)
  set(CPACK_GENERATOR ZIP)
else()
  set(JOBHOST_RELEASE_SYSTEM linux-x86_64)
  set(JOBHOST_RELEASE_TARGETS jobhost_svc devprobe jobhost_portlink jobhostctl)
  set(JOBHOST_TOOL_FILE jobhostctl)
  set(CPACK_GENERATOR TGZ)
endif()

# The text that says what each file is; the names follow the family prefix.
set(JOBHOST_RELEASE_README ${CMAKE_BINARY_DIR}/release/README.txt)
configure_file(${CMAKE_CURRENT_LIST_DIR}/README-${JOBHOST_RELEASE_SYSTEM}.txt.in
  ${JOBHOST_RELEASE_README} @ONLY)
set(JOBHOST_RELEASE_TEXTS ${JOBHOST_RELEASE_README} ${PROJECT_SOURCE_DIR}/LICENSE)

# The sums are written once the files are in place (and stripped, for the
# archive), so they describe what was installed.
function(jobhost_install_release destination component)
  set(placement DESTINATION ${destination} COMPONENT ${component})
  if(component STREQUAL "archive")
    # Only the archive takes this copy; "cmake --install" takes the other.
    list(APPEND placement EXCLUDE_FROM_ALL)
    set(exclude EXCLUDE_FROM_ALL)
  endif()
  # Import libraries of the DLLs are no part of a release.
  install(TARGETS ${JOBHOST_RELEASE_TARGETS} RUNTIME ${placement} LIBRARY ${placement}
    ARCHIVE DESTINATION lib COMPONENT import_libraries EXCLUDE_FROM_ALL)
  install(FILES ${JOBHOST_RELEASE_TEXTS} ${placement})
  install(CODE "
    set(folder \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${destination}\")
    file(GLOB names RELATIVE \"\${folder}\" \"\${folder}/*\")
    list(REMOVE_ITEM names SHA256SUMS)
    list(SORT names)
    set(sums \"\")
    foreach(name IN LISTS names)
      file(SHA256 \"\${folder}/\${name}\" sum)
      string(APPEND sums \"\${sum}  \${name}\\n\")
    endforeach()
    file(WRITE \"\${folder}/SHA256SUMS\" \"\${sums}\")
    " COMPONENT ${component} ${exclude})
endfunction()

jobhost_install_release(${JOBHOST_INSTALL_DIR} runtime)
install(TARGETS jobhostctl RUNTIME DESTINATION bin COMPONENT runtime)
jobhost_install_release(. archive)

set(CPACK_PACKAGE_NAME jobhost)
set(CPACK_PACKAGE_VENDOR "The jobhost developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME jobhost-${PROJECT_VERSION}-${JOBHOST_RELEASE_SYSTEM})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
# Only the "archive" component, in one archive named as above.
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_COMPONENTS_ALL archive)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)
include(CPack)
