# Builds the man page around the program's own --help text, so the two cannot drift apart.
# Inputs: PROGRAM, INPUT, OUTPUT, PROJECT_VERSION, BP_RELEASE_DATE.
execute_process(COMMAND "${PROGRAM}" --help
                OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR help STREQUAL "")
    message(FATAL_ERROR "${PROGRAM} --help failed: ${status}")
endif()
string(REGEX REPLACE "\n$" "" help "${help}")
# roff: backslashes and hyphens are escaped; a leading dot or quote would start a request.
string(REPLACE "\\" "\\e" help "${help}")
string(REPLACE "-" "\\-" help "${help}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
set(BP_HELP_TEXT "${help}")
configure_file("${INPUT}" "${OUTPUT}" @ONLY)
