# cmake -DHEAD=<file> -DDEFAULTS=<file> -DOUT=<file> -P compose-settings.cmake
# Writes HEAD (a registry export of the saver's key) followed by the value lines of DEFAULTS (an
# export of the same key), so an installation's settings carry both.
file(READ "${HEAD}" head)
string(STRIP "${head}" head)
file(READ "${DEFAULTS}" defaults)
string(REPLACE "\r" "" defaults "${defaults}")
string(REGEX MATCHALL "\n\"[^\n]*" values "\n${defaults}")
set(text "${head}")
foreach(value IN LISTS values)
  string(APPEND text "${value}")
endforeach()
file(WRITE "${OUT}" "${text}\n\n")
