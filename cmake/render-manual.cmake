# Renders the manual page as plain text with CR LF line ends, for the
# Windows zip, whose readers have no man: groff's ASCII output, without the
# overstrikes and escapes that a terminal would show as bold or underlined.
#
#   cmake -DGROFF=groff -DINPUT=page.1 -DOUTPUT=page.txt -P cmake/render-manual.cmake
execute_process(COMMAND ${GROFF} -man -Tascii -P-cbou -Wall ${INPUT}
  OUTPUT_VARIABLE text ERROR_VARIABLE warnings COMMAND_ERROR_IS_FATAL ANY)
if(warnings)
  message(FATAL_ERROR "groff warns of ${INPUT}:\n${warnings}")
endif()
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${OUTPUT} "${text}")
