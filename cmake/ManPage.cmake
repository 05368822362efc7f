# Writes a short man page from a program's --help text, gzipped as Debian
# wants it:
#   cmake -DPROGRAM=<file> -DNAME=<name> -DVERSION=<v> -DSUMMARY=<line>
#         -DGZIP=<gzip> -DOUTPUT=<file.1.gz> -P ManPage.cmake
execute_process(COMMAND "${PROGRAM}" --help OUTPUT_VARIABLE help ERROR_VARIABLE help_err
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NAME} --help failed (${status}): ${help_err}")
endif()
# roff: a backslash is written \e; a line must not start with "." or "'".
string(REPLACE "\\" "\\e" help "${help}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
string(TOUPPER "${NAME}" title)
file(WRITE "${OUTPUT}.tmp"
     ".TH ${title} 1 \"\" \"${NAME} ${VERSION}\" \"Pavane\"\n"
     ".SH NAME\n${NAME} \\- ${SUMMARY}\n"
     ".SH DESCRIPTION\n.nf\n${help}.fi\n"
     ".SH SEE ALSO\n.BR pavane (1),\n.BR pavane-reg (1),\n.BR pavane-lang (1),\n"
     ".BR pavane-devserver (1)\n")
execute_process(COMMAND "${GZIP}" -9 -n -f "${OUTPUT}.tmp" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip failed for ${OUTPUT}")
endif()
file(RENAME "${OUTPUT}.tmp.gz" "${OUTPUT}")
