# Fails the build of SETUPVDL.EXE when the exit functions that its code can
# register could fill the table of src/driver/entry.cpp: each reference to
# atexit outside entry.cpp is one registration at most (a static object's
# initialisation runs once), so their count bounds what the table must hold.
#   cmake -DOBJDUMP=... -DENTRY=entry.cpp -DINPUTS="a.obj|libx.a|..." -P check-exit-table.cmake
file(READ ${ENTRY} entry_source)
string(REGEX MATCH "define SETUPVDL_EXIT_FUNCTIONS ([0-9]+)" found "${entry_source}")
if(NOT found)
  message(FATAL_ERROR "check-exit-table: no SETUPVDL_EXIT_FUNCTIONS in ${ENTRY}")
endif()
set(limit ${CMAKE_MATCH_1})
string(REPLACE "|" ";" inputs "${INPUTS}")
set(count 0)
foreach(input ${inputs})
  if(input MATCHES "entry\\.cpp\\.obj$")
    continue()  # the definition itself
  endif()
  execute_process(COMMAND ${OBJDUMP} -r ${input} OUTPUT_VARIABLE relocations RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "check-exit-table: ${OBJDUMP} -r ${input} failed")
  endif()
  string(REGEX MATCHALL "[ \t]_?atexit\n" references "${relocations}")
  list(LENGTH references n)
  math(EXPR count "${count} + ${n}")
endforeach()
if(count GREATER_EQUAL limit)
  message(FATAL_ERROR "check-exit-table: ${count} registrations of exit functions can be made, "
                      "the table of src/driver/entry.cpp holds ${limit}: enlarge SETUPVDL_EXIT_FUNCTIONS")
endif()
