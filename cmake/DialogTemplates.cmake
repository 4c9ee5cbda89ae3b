# Writes the dialog templates of the resource script (win/updater.rc) as a C++ table, so that
# the Qt window lays out its dialogs from the very numbers and texts the Windows window is built
# from: the resource script is the one place to change a position or a label.
# Usage: cmake -DINPUT=win/updater.rc -DOUTPUT=.../DialogTemplates.h -P DialogTemplates.cmake
# Reads the statements the script uses: DIALOGEX, CAPTION, FONT, and in BEGIN ... END the
# controls PUSHBUTTON, DEFPUSHBUTTON, LTEXT, GROUPBOX, EDITTEXT, COMBOBOX and CONTROL. A
# statement may go on over the next line after a trailing comma. A control statement it cannot
# read stops the build, so that no control is left out unnoticed.

cmake_minimum_required(VERSION 3.25)

file(READ "${INPUT}" script)
# CMake keeps lists in semicolon-separated strings: none may stand in the text.
if(script MATCHES ";")
  message(FATAL_ERROR "${INPUT}: a semicolon cannot be read into the dialog templates")
endif()
string(REPLACE "\r" "" script "${script}")
string(REPLACE "\n" ";" lines "${script}")

# One statement a line: a line that ends in a comma goes on over the next one.
set(statements "")
set(pending "")
foreach(line IN LISTS lines)
  string(STRIP "${line}" line)
  string(APPEND pending "${line}")
  if(pending MATCHES ",$")
    string(APPEND pending " ")
  else()
    list(APPEND statements "${pending}")
    set(pending "")
  endif()
endforeach()

set(string_re "\"((\"\"|[^\"])*)\"")
set(n "(-?[0-9]+)")
set(rect_re "${n}, *${n}, *${n}, *${n}")
set(id_re "([A-Za-z_][A-Za-z_0-9]*|-1)")

# The text of a script string as a C++ string literal: a doubled quote is one quote; the
# escapes (\n) mean the same in both.
function(cxx_literal text out)
  string(REPLACE "\"\"" "\\\"" text "${text}")
  set(${out} "\"${text}\"" PARENT_SCOPE)
endfunction()

set(body "")
set(dialog "")
set(in_controls FALSE)
foreach(statement IN LISTS statements)
  if(statement MATCHES "^([A-Z_0-9]+) +DIALOGEX +${rect_re}")
    set(dialog "${CMAKE_MATCH_1}")
    set(dialog_width "${CMAKE_MATCH_4}")
    set(dialog_height "${CMAKE_MATCH_5}")
    set(caption "\"\"")
    set(font_face "\"\"")
    set(font_size 0)
    set(controls "")
  elseif(dialog STREQUAL "")
    continue()
  elseif(statement MATCHES "^CAPTION +${string_re}")
    cxx_literal("${CMAKE_MATCH_1}" caption)
  elseif(statement MATCHES "^FONT +${n}, *${string_re}")
    set(font_size "${CMAKE_MATCH_1}")
    cxx_literal("${CMAKE_MATCH_2}" font_face)
  elseif(statement STREQUAL "BEGIN")
    set(in_controls TRUE)
  elseif(statement STREQUAL "END")
    string(TOLOWER "${dialog}" name)
    string(REGEX REPLACE "^idd_" "" name "${name}")
    string(REGEX REPLACE "_([a-z])" ";\\1" parts "${name}")
    set(camel "")
    foreach(part IN LISTS parts)
      string(SUBSTRING "${part}" 0 1 first)
      string(SUBSTRING "${part}" 1 -1 rest)
      string(TOUPPER "${first}" first)
      string(APPEND camel "${first}${rest}")
    endforeach()
    string(APPEND body
      "inline constexpr ControlTemplate k${camel}Controls[] = {\n${controls}};\n"
      "inline constexpr DialogTemplate k${camel}Template{\n"
      "    \"${dialog}\", ${caption}, ${font_face}, ${font_size},\n"
      "    ${dialog_width}, ${dialog_height}, k${camel}Controls};\n\n")
    set(dialog "")
    set(in_controls FALSE)
  elseif(in_controls)
    # Text, id and place, whichever form the control statement takes.
    if(statement MATCHES "^(PUSHBUTTON|DEFPUSHBUTTON|LTEXT|RTEXT|CTEXT|GROUPBOX) +${string_re}, *${id_re}, *${rect_re}")
      set(text "${CMAKE_MATCH_2}")
      set(id "${CMAKE_MATCH_4}")
      set(rect "${CMAKE_MATCH_5}, ${CMAKE_MATCH_6}, ${CMAKE_MATCH_7}, ${CMAKE_MATCH_8}")
    elseif(statement MATCHES "^(EDITTEXT|COMBOBOX|LISTBOX) +${id_re}, *${rect_re}")
      set(text "")
      set(id "${CMAKE_MATCH_2}")
      set(rect "${CMAKE_MATCH_3}, ${CMAKE_MATCH_4}, ${CMAKE_MATCH_5}, ${CMAKE_MATCH_6}")
    elseif(statement MATCHES "^CONTROL +${string_re}, *${id_re}, *\"[^\"]*\", *[^,]*, *${rect_re}")
      set(text "${CMAKE_MATCH_1}")
      set(id "${CMAKE_MATCH_3}")
      set(rect "${CMAKE_MATCH_4}, ${CMAKE_MATCH_5}, ${CMAKE_MATCH_6}, ${CMAKE_MATCH_7}")
    else()
      message(FATAL_ERROR "${INPUT}: ${dialog}: cannot read the control \"${statement}\"")
    endif()
    if(id STREQUAL "-1")
      message(FATAL_ERROR "${INPUT}: ${dialog}: \"${statement}\" has no id to be found by")
    endif()
    cxx_literal("${text}" text)
    string(APPEND controls "    {\"${id}\", ${text}, ${rect}},\n")
  endif()
endforeach()

set(header "// Made from win/updater.rc by cmake/DialogTemplates.cmake at build time: change the resource
// script, not this file.
#pragma once

#include \"front/DialogTemplate.h\"

namespace updater {

${body}}  // namespace updater
")
# Written only when it changed, so that the sources that include it are not compiled again.
file(CONFIGURE OUTPUT "${OUTPUT}" CONTENT "${header}" @ONLY)
