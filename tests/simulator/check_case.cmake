# One run of `kitbuilder-cli --check`, as a user makes it, held to its exit status and to a line
# of its report. With EDIT_FROM/EDIT_TO the case first generates main.c into its own directory,
# makes that one edit (which must match exactly once; line ends read as LF) and checks the edited file with
# --firmware, as a user who changed main.c would.
#
# With SEARCH_PATH the check runs with PATH set to it, to see it without its tools.
#
#   cmake -DCLI=kitbuilder-cli -DARGS="--mode=tx;..." -DEXIT=0 -DLINE="regex" -DWORK=dir
#         [-DEDIT_FROM=text -DEDIT_TO=text] [-DSEARCH_PATH=dirs] -P check_case.cmake

set(check_args ${ARGS})
if(DEFINED EDIT_FROM)
  file(REMOVE_RECURSE "${WORK}")
  file(MAKE_DIRECTORY "${WORK}")
  execute_process(COMMAND "${CLI}" -o "${WORK}" ${ARGS} RESULT_VARIABLE generated OUTPUT_QUIET)
  if(NOT generated EQUAL 0)
    message(FATAL_ERROR "generating main.c into ${WORK} failed (${generated})")
  endif()
  file(READ "${WORK}/main.c" text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(LENGTH "${text}" before)
  string(REPLACE "${EDIT_FROM}" "" without "${text}")
  string(LENGTH "${without}" after)
  string(LENGTH "${EDIT_FROM}" from_length)
  math(EXPR edits "(${before} - ${after}) / ${from_length}")
  string(REPLACE "${EDIT_FROM}" "${EDIT_TO}" edited "${text}")
  if(NOT edits EQUAL 1)
    message(FATAL_ERROR "main.c holds '${EDIT_FROM}' ${edits} times, not once; update the case")
  endif()
  file(WRITE "${WORK}/main.c" "${edited}")
  list(APPEND check_args "--firmware=${WORK}/main.c")
endif()

set(environment "")
if(DEFINED SEARCH_PATH)
  set(environment "${CMAKE_COMMAND}" -E env "PATH=${SEARCH_PATH}")
endif()
execute_process(COMMAND ${environment} "${CLI}" --check ${check_args}
  RESULT_VARIABLE status OUTPUT_VARIABLE report ERROR_VARIABLE errors)
if(status EQUAL 3 AND NOT EXIT EQUAL 3)
  message("SKIP: ${errors}")
  return()
endif()
if(NOT status EQUAL EXIT)
  message(FATAL_ERROR "--check exited ${status}, not ${EXIT}:\n${report}${errors}")
endif()
if(NOT "${report}${errors}" MATCHES "${LINE}")
  message(FATAL_ERROR "no line matching '${LINE}' in the report:\n${report}${errors}")
endif()
