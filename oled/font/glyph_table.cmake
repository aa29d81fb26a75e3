# SPDX-License-Identifier: MIT
# Turns font/glyphs.txt into the C++ glyph table.
#   cmake -DGLYPHS=glyphs.txt -DOUTPUT=font_table.cpp -P glyph_table.cmake
# A glyph is a line "0xHH name" followed by 8 rows of 5 characters, '#' lit
# and '.' dark, top row first. Column byte i holds column i, bit j row j.
if(NOT GLYPHS OR NOT OUTPUT)
  message(FATAL_ERROR "usage: cmake -DGLYPHS=... -DOUTPUT=... -P glyph_table.cmake")
endif()

file(STRINGS "${GLYPHS}" lines)
set(expected 0)
set(rows "")
set(body "")
set(line_number 0)

macro(finish_glyph)
  list(LENGTH rows row_count)
  if(NOT row_count EQUAL 8)
    message(FATAL_ERROR "${GLYPHS}: glyph ${code_text} has ${row_count} rows, not 8")
  endif()
  set(bytes "")
  foreach(column RANGE 4)
    set(value 0)
    set(bit 1)
    foreach(row IN LISTS rows)
      string(SUBSTRING "${row}" ${column} 1 pixel)
      if(pixel STREQUAL "#")
        math(EXPR value "${value} + ${bit}")
      endif()
      math(EXPR bit "${bit} * 2")
    endforeach()
    math(EXPR value "${value}" OUTPUT_FORMAT HEXADECIMAL)
    string(APPEND bytes " ${value},")
  endforeach()
  string(APPEND body "   ${bytes}  // ${code_text} ${glyph_name}\n")
  math(EXPR expected "${expected} + 1")
  set(rows "")
endmacro()

set(in_glyph FALSE)
foreach(line IN LISTS lines)
  if(line MATCHES "^0x([0-9A-Fa-f][0-9A-Fa-f]) ?(.*)$")
    if(in_glyph)
      finish_glyph()
    endif()
    math(EXPR code "0x${CMAKE_MATCH_1}")
    if(NOT code EQUAL expected)
      message(FATAL_ERROR "${GLYPHS}: glyph 0x${CMAKE_MATCH_1} where code ${expected} was expected")
    endif()
    set(code_text "0x${CMAKE_MATCH_1}")
    set(glyph_name "${CMAKE_MATCH_2}")
    set(in_glyph TRUE)
  elseif(line MATCHES "^[.#][.#][.#][.#][.#]$")
    if(NOT in_glyph)
      message(FATAL_ERROR "${GLYPHS}: a glyph row before any glyph header: ${line}")
    endif()
    list(APPEND rows "${line}")
  elseif(line STREQUAL "" OR line MATCHES "^# ")
  else()
    message(FATAL_ERROR "${GLYPHS}: cannot read the line '${line}'")
  endif()
endforeach()
if(in_glyph)
  finish_glyph()
endif()
if(NOT expected EQUAL 255)
  message(FATAL_ERROR "${GLYPHS}: ${expected} glyphs, the table needs 255 (0x00 to 0xFE)")
endif()

file(WRITE "${OUTPUT}.tmp"
"// SPDX-License-Identifier: MIT
// Generated from oled/font/glyphs.txt by oled/font/glyph_table.cmake; edit the glyphs there.
#include \"oled/ssd1306_font.h\"

const unsigned char font[kFontBytes] = {
${body}};
")
# Only touch the output when it changes, so nothing rebuilds needlessly.
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${OUTPUT}.tmp" "${OUTPUT}")
file(REMOVE "${OUTPUT}.tmp")
