# One run of `kitbuilder-cli --check`, as a user makes it, held to its exit status and to a line
# of its report. With EDIT_FROM/EDIT_TO the case first generates main.c into its own directory,
# makes that one edit (which must match exactly once; line ends read as LF) and checks the edited file with
# --firmware, as a user who changed main.c would.
#
# With PEER the check is a link check: the options in PEER are saved as the other board's
# settings file, given with --peer; PEER_EDIT_FROM/PEER_EDIT_TO edit the peer's main.c as above,
# given with --peer-firmware. With FILE and FILE_LINE a file the run wrote must hold a match.
#
# With SEARCH_PATH the check runs with PATH set to it, to see it without its tools.
#
# The build cache is the case's own (XDG_CACHE_HOME in its directory), new for every run of the
# case; with AGAIN the same check runs a second time, now with that cache, and its report must
# hold a match for AGAIN (FILE is held to FILE_LINE after that run).
#
#   cmake -DCLI=kitbuilder-cli -DARGS="--mode=tx;..." -DEXIT=0 -DLINE="regex" -DWORK=dir
#         [-DEDIT_FROM=text -DEDIT_TO=text] [-DPEER="--mode=rx;..."]
#         [-DPEER_EDIT_FROM=text -DPEER_EDIT_TO=text] [-DFILE=path -DFILE_LINE=regex]
#         [-DSEARCH_PATH=dirs] [-DAGAIN=regex] -P check_case.cmake
#
# With GOLDEN the case also writes --report and --trace, and the printed report, the JSON and the
# VCD must equal GOLDEN.txt, GOLDEN.json and GOLDEN.vcd byte for byte but for the wall time,
# which differs from run to run: a faster run must not see or tell anything else.

# Generates main.c for `options` into `directory` and makes the one edit in it.
function(edited_main_c directory options from to)
  file(MAKE_DIRECTORY "${directory}")
  execute_process(COMMAND "${CLI}" -o "${directory}" ${options} RESULT_VARIABLE generated
    OUTPUT_QUIET)
  if(NOT generated EQUAL 0)
    message(FATAL_ERROR "generating main.c into ${directory} failed (${generated})")
  endif()
  file(READ "${directory}/main.c" text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(LENGTH "${text}" before)
  string(REPLACE "${from}" "" without "${text}")
  string(LENGTH "${without}" after)
  string(LENGTH "${from}" from_length)
  math(EXPR edits "(${before} - ${after}) / ${from_length}")
  string(REPLACE "${from}" "${to}" edited "${text}")
  if(NOT edits EQUAL 1)
    message(FATAL_ERROR "main.c holds '${from}' ${edits} times, not once; update the case")
  endif()
  file(WRITE "${directory}/main.c" "${edited}")
endfunction()

set(check_args ${ARGS})
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
if(DEFINED EDIT_FROM)
  edited_main_c("${WORK}" "${ARGS}" "${EDIT_FROM}" "${EDIT_TO}")
  list(APPEND check_args "--firmware=${WORK}/main.c")
endif()
if(DEFINED PEER)
  execute_process(COMMAND "${CLI}" ${PEER} "--save-settings=${WORK}/peer.toml"
    RESULT_VARIABLE saved OUTPUT_QUIET)
  if(NOT saved EQUAL 0)
    message(FATAL_ERROR "saving the peer's settings ${PEER} failed (${saved})")
  endif()
  list(APPEND check_args "--peer=${WORK}/peer.toml")
endif()
if(DEFINED PEER_EDIT_FROM)
  edited_main_c("${WORK}/peer" "${PEER}" "${PEER_EDIT_FROM}" "${PEER_EDIT_TO}")
  list(APPEND check_args "--peer-firmware=${WORK}/peer/main.c")
endif()

if(DEFINED GOLDEN)
  list(APPEND check_args "--report=${WORK}/run.json" "--trace=${WORK}/run.vcd")
endif()

set(environment "${CMAKE_COMMAND}" -E env "XDG_CACHE_HOME=${WORK}/cache")
if(DEFINED SEARCH_PATH)
  list(APPEND environment "PATH=${SEARCH_PATH}")
endif()

# Runs the check and holds it to its exit status and to a line of its report.
function(run_check line)
  execute_process(COMMAND ${environment} "${CLI}" --check ${check_args}
    RESULT_VARIABLE status OUTPUT_VARIABLE report ERROR_VARIABLE errors)
  if(status EQUAL 3 AND NOT EXIT EQUAL 3)
    message("SKIP: ${errors}")
    set(skipped TRUE PARENT_SCOPE)
    return()
  endif()
  if(NOT status EQUAL EXIT)
    message(FATAL_ERROR "--check exited ${status}, not ${EXIT}:\n${report}${errors}")
  endif()
  if(NOT "${report}${errors}" MATCHES "${line}")
    message(FATAL_ERROR "no line matching '${line}' in the report:\n${report}${errors}")
  endif()
  set(report "${report}" PARENT_SCOPE)
endfunction()

run_check("${LINE}")
if(skipped)
  return()
endif()
if(DEFINED AGAIN)
  run_check("${AGAIN}")
endif()
if(DEFINED FILE)
  file(READ "${FILE}" written)
  if(NOT written MATCHES "${FILE_LINE}")
    message(FATAL_ERROR "no match for '${FILE_LINE}' in ${FILE}")
  endif()
endif()

# The text with the wall time blanked, in the forms the reports print it.
function(without_wall_time file variable)
  file(READ "${file}" text)
  string(REGEX REPLACE " in [0-9.]+ s[.]" " in - s." text "${text}")
  string(REGEX REPLACE "\"wall_seconds\": [0-9.]+" "\"wall_seconds\": -" text "${text}")
  set(${variable} "${text}" PARENT_SCOPE)
endfunction()

if(DEFINED GOLDEN)
  file(WRITE "${WORK}/run.txt" "${report}")
  foreach(kind txt json vcd)
    without_wall_time("${WORK}/run.${kind}" actual)
    without_wall_time("${GOLDEN}.${kind}" expected)
    if(NOT actual STREQUAL expected)
      # Both sides as compared, for diff to show where they part.
      file(WRITE "${WORK}/compared.${kind}" "${actual}")
      file(WRITE "${WORK}/expected.${kind}" "${expected}")
      execute_process(COMMAND diff "${WORK}/expected.${kind}" "${WORK}/compared.${kind}"
        OUTPUT_VARIABLE difference)
      string(SUBSTRING "${difference}" 0 2000 difference)
      message(FATAL_ERROR "${WORK}/run.${kind} differs from ${GOLDEN}.${kind} (wall time aside):\n"
        "${difference}")
    endif()
  endforeach()
endif()
