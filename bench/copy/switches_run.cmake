# copy_bench.exe's switches on the tiny tree, one run a row (ctest
# bench_copy_switches):
#   cmake -DTOOL=<exe> -DEMULATOR=<runner or empty> -DSCRATCH=<folder> -P switches_run.cmake
# A row: the group (runs of a group share their save folder SCRATCH/save-<group>
# and their current folder SCRATCH/<group>, which holds History.dat and
# Generation.dat, and follow each other in order), the regex the output must
# match, then the switches; "%3B" stands for ";" and "%5C" for "\\" (a row's last
# switch only: a list element may not end in "\\" before the next). Every run must exit with 0.
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/../tiny_tree.cmake)

set(rows
  "exclude    result=ok.*files=2.*excluded=1          --exclude  a.txt%3Bdeeper%5C"
  "verify     plan_entries=8.*result=ok.*files=4.*verified=1          --verify  --threads  1  --time-plan"
  "unchanged  result=ok.*files=4                      --skip-unchanged"
  "unchanged  result=unchanged.*files=0               --skip-unchanged"
  "zip        result=ok.*files=3.*excluded=1          --format  zip  --exclude  c.bin"
  "lzh        result=ok.*files=4                      --format  lzh"
  "keepnone   result=ok.*files=4                      --keep-none  --skip-unchanged"
  "keepnone   result=unchanged                        --keep-none  --skip-unchanged"
)
foreach(row IN LISTS rows)
  string(REGEX REPLACE " +" ";" row "${row}")
  list(POP_FRONT row group expect)
  list(TRANSFORM row REPLACE "%5C" "\\\\")
  list(TRANSFORM row REPLACE "%3B" "\\\\;")
  file(MAKE_DIRECTORY "${SCRATCH}/${group}")
  execute_process(COMMAND ${EMULATOR} "${TOOL}" ${row} "${scratch_seen}\\src" "${scratch_seen}\\save-${group}"
    WORKING_DIRECTORY "${SCRATCH}/${group}" RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REPLACE "\n" " " flat "${out}")
  message("${group} ${row}: ${flat}")
  if(NOT status EQUAL 0 OR NOT flat MATCHES "${expect}")
    message(FATAL_ERROR "${group}: exit ${status}, output does not match ${expect}\n${out}${err}")
  endif()
endforeach()

# What the patterns left out is not in the generation.
file(GLOB_RECURSE kept RELATIVE "${SCRATCH}/save-exclude" "${SCRATCH}/save-exclude/*")
if(NOT kept MATCHES "b.txt" OR kept MATCHES "a.txt|c.bin")
  message(FATAL_ERROR "the excluded run holds: ${kept}")
endif()
