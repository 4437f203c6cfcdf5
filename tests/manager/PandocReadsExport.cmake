# Reads the exported rich text with pandoc and expects one paragraph per item, in note order, the
# protected item's characters as "*". Run with -DPANDOC=<pandoc> -DRTF=<exported file>.
if(NOT EXISTS "${RTF}")
  message(FATAL_ERROR "no exported file at ${RTF}")
endif()
execute_process(COMMAND "${PANDOC}" -f rtf -t plain "${RTF}" RESULT_VARIABLE rc OUTPUT_VARIABLE text
  ERROR_VARIABLE errors)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pandoc could not read ${RTF}: ${errors}")
endif()
string(REGEX REPLACE "\n+" ";" paragraphs "${text}")
list(FILTER paragraphs EXCLUDE REGEX "^$")
set(expected "first;second;third;******;**")
if(NOT paragraphs STREQUAL expected)
  message(FATAL_ERROR "pandoc read [${paragraphs}], expected [${expected}]")
endif()
