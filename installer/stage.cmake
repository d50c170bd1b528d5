# Gathers the files Quelmar ships into one folder (cmake -P): the programs and
# libraries without their debugging information, the demo program, and the
# README and license as Windows text files.
# Variables: BIN (the build's bin folder), SRC (the sources), STAGE, STRIP,
# FILES (the file names in BIN, separated by "|").
string(REPLACE "|" ";" FILES "${FILES}")
file(REMOVE_RECURSE "${STAGE}")
file(MAKE_DIRECTORY "${STAGE}")
foreach(name IN LISTS FILES)
  if(NOT EXISTS "${BIN}/${name}")
    message(FATAL_ERROR "${BIN}/${name} is missing: build it first")
  endif()
  if(name MATCHES "\\.(exe|dll|ocx)$")
    execute_process(COMMAND "${STRIP}" --strip-debug -o "${STAGE}/${name}" "${BIN}/${name}"
                    RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "Could not strip ${name}")
    endif()
  else()
    file(COPY "${BIN}/${name}" DESTINATION "${STAGE}")
  endif()
endforeach()
foreach(pair "README.md;README.txt" "LICENSE;LICENSE.txt")
  list(GET pair 0 from)
  list(GET pair 1 to)
  file(READ "${SRC}/${from}" text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE "${STAGE}/${to}" "${text}")
endforeach()
