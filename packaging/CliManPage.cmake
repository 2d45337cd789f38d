# Writes the manual page of earmark-cli: the template with the subcommands filled in from
# `earmark-cli --help`, gzip-compressed as manual pages are installed.
# Usage: cmake -DCLI=... -DTEMPLATE=... -DOUTPUT=... -DVERSION=... -P CliManPage.cmake
execute_process(COMMAND ${CLI} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${CLI} --help ended with ${status}")
endif()

# Roff reads a backslash as an escape, a hyphen as a hyphen that may break, and a line
# starting with a dot or an apostrophe as a request.
function(roff_text text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  if(text MATCHES "^[.']")
    set(text "\\&${text}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# --help prints each subcommand as "  NAME USAGE" and its summary as "      SUMMARY". CMake
# lists split at ";" and group at "[" ... "]", so those three stand in for themselves until
# the text is written out.
string(REPLACE ";" "@SEMICOLON@" help "${help}")
string(REPLACE "[" "@OPEN@" help "${help}")
string(REPLACE "]" "@CLOSE@" help "${help}")
string(REPLACE "\n" ";" lines "${help}")
set(commands "")
set(count 0)
foreach(line IN LISTS lines)
  if(line MATCHES "^      (.+)$")
    roff_text("${CMAKE_MATCH_1}" summary)
    string(APPEND commands "${summary}\n")
  elseif(line MATCHES "^  ([^ ]+)( (.*))?$")
    roff_text("${CMAKE_MATCH_1}" name)
    roff_text("${CMAKE_MATCH_3}" usage)
    if(usage)
      set(usage " ${usage}")
    endif()
    string(APPEND commands ".TP\n\\fB${name}\\fR${usage}\n")
    math(EXPR count "${count} + 1")
  endif()
endforeach()
if(count LESS 2)
  message(FATAL_ERROR "no subcommands found in the output of ${CLI} --help:\n${help}")
endif()

string(REPLACE "@SEMICOLON@" ";" commands "${commands}")
string(REPLACE "@OPEN@" "[" commands "${commands}")
string(REPLACE "@CLOSE@" "]" commands "${commands}")
string(STRIP "${commands}" COMMANDS)
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
file(REMOVE ${OUTPUT}.gz)
file(ARCHIVE_CREATE OUTPUT ${OUTPUT}.gz PATHS ${OUTPUT} FORMAT raw COMPRESSION GZip)
