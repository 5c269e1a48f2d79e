# Writes a binary file from its text description. Run at build time:
#   cmake -DINPUT=table.txt -DOUTPUT=table.bin -P hex_file.cmake
#
# The description lists the file's bytes in order, each as two hexadecimal digits (either case),
# separated by blanks or line ends. '#' starts a comment that runs to the end of its line. An
# empty description writes an empty file.
cmake_minimum_required(VERSION 3.25)

foreach(var INPUT OUTPUT)
  if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
    message(FATAL_ERROR "hex_file.cmake: ${var} is not given")
  endif()
endforeach()

file(STRINGS "${INPUT}" lines)
set(bytes)
set(line_number 0)
foreach(line IN LISTS lines)
  math(EXPR line_number "${line_number} + 1")
  string(REGEX REPLACE "#.*$" "" line "${line}")
  string(REGEX REPLACE "[ \t\r]+" ";" tokens "${line}")
  foreach(token IN LISTS tokens)
    if(token STREQUAL "")
      continue()
    endif()
    if(NOT token MATCHES "^[0-9A-Fa-f][0-9A-Fa-f]$")
      message(FATAL_ERROR "${INPUT}:${line_number}: '${token}' is not two hexadecimal digits")
    endif()
    list(APPEND bytes "${token}")
  endforeach()
endforeach()

# CMake strings cannot hold a NUL byte, so the bytes are written by printf from octal escapes
# (\ooo, which every printf understands), with nothing else in its format.
set(format "")
foreach(byte IN LISTS bytes)
  math(EXPR value "0x${byte}")
  math(EXPR d2 "${value} / 64")
  math(EXPR d1 "(${value} / 8) % 8")
  math(EXPR d0 "${value} % 8")
  string(APPEND format "\\${d2}${d1}${d0}")
endforeach()

get_filename_component(folder "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${folder}")
if(format STREQUAL "")
  file(WRITE "${OUTPUT}" "")
  return()
endif()
find_program(PRINTF_PROGRAM printf REQUIRED)
execute_process(COMMAND "${PRINTF_PROGRAM}" "${format}" OUTPUT_FILE "${OUTPUT}.tmp" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE "${OUTPUT}.tmp")
  message(FATAL_ERROR "hex_file.cmake: printf failed (${result}) writing ${OUTPUT}")
endif()
file(SIZE "${OUTPUT}.tmp" written)
list(LENGTH bytes expected)
if(NOT written EQUAL expected)
  file(REMOVE "${OUTPUT}.tmp")
  message(FATAL_ERROR "hex_file.cmake: ${OUTPUT} has ${written} bytes, not ${expected}")
endif()
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
