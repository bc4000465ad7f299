# One run of a benchmark tool on a tiny corpus, as a test (bench/CMakeLists.txt):
#   cmake -DTOOL=<exe> -DEMULATOR=<runner or empty> -DSCRATCH=<folder> \
#         -DARGS=<arguments joined by |> -DEXPECT=<regex> -P tiny_run.cmake
# SCRATCH is made anew with a small tree in SCRATCH/src; in ARGS, {scratch}
# stands for SCRATCH as the tool sees it (a Windows path under Wine). The
# run passes when the tool exits with 0 and its output matches EXPECT.
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/tiny_tree.cmake)
string(REPLACE "|" ";" args "${ARGS}")
string(REPLACE "{scratch}" "${scratch_seen}" args "${args}")
execute_process(COMMAND ${EMULATOR} "${TOOL}" ${args}
  WORKING_DIRECTORY "${SCRATCH}" RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("${out}${err}")
if(NOT status EQUAL 0 OR NOT out MATCHES "${EXPECT}")
  message(FATAL_ERROR "the run failed (exit ${status}) or its output does not match ${EXPECT}")
endif()
