# cmake -DSTRIP=<strip> -DFILE=<program> -DLIMIT=<bytes> -P CheckStrippedSize.cmake
# Strips a copy of FILE and fails when the copy is LIMIT bytes or larger.
cmake_minimum_required(VERSION 3.25)

get_filename_component(name ${FILE} NAME)
set(copy ${CMAKE_CURRENT_BINARY_DIR}/stripped-${name})
execute_process(COMMAND ${STRIP} -o ${copy} ${FILE} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${STRIP} failed on ${FILE}")
endif()
file(SIZE ${copy} size)
file(REMOVE ${copy})
message(STATUS "${name} stripped: ${size} bytes (limit ${LIMIT})")
if(NOT size LESS LIMIT)
  message(FATAL_ERROR "${name} stripped is ${size} bytes, limit ${LIMIT}")
endif()
