# Writes the user's guide, README.txt of the release: the template with the
# version and the key table of app/keys.txt filled in, with CR LF line ends
# for Notepad.
#
#   cmake -DTEMPLATE=... -DKEYS=... -DVERSION=... -DOUTPUT=... -P users-guide.cmake
file(STRINGS "${KEYS}" lines)
set(rows "")
foreach(line IN LISTS lines)
  if(line MATCHES "^[ \t]*(#|$)")
    continue()
  endif()
  if(NOT line MATCHES "^[^|]+\\|[^|]+\\|([^|]+)\\|([^|]+)$")
    message(FATAL_ERROR "${KEYS}: not four fields between bars: ${line}")
  endif()
  string(STRIP "${CMAKE_MATCH_1}" key)
  string(STRIP "${CMAKE_MATCH_2}" what)
  # Two spaces at least between the columns: the key table's readers split
  # a row there.
  string(LENGTH "${key}" length)
  math(EXPR padding "10 - ${length}")
  if(padding LESS 0)
    message(FATAL_ERROR "${KEYS}: the key \"${key}\" is wider than its column")
  endif()
  string(REPEAT " " ${padding} pad)
  list(APPEND rows "  ${key}${pad}  ${what}")
endforeach()
string(JOIN "\n" MORVIX_KEY_TABLE ${rows})
set(MORVIX_VERSION "${VERSION}")
file(READ "${TEMPLATE}" text)
string(CONFIGURE "${text}" text @ONLY)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${OUTPUT}" "${text}")
