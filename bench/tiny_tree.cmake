# The tiny tree of the benchmarks' tests: SCRATCH made anew with four files
# (one name with a blank) and an empty folder in SCRATCH/src. Sets
# scratch_seen to SCRATCH as the tool sees it (a Windows path under Wine).
file(REMOVE_RECURSE "${SCRATCH}")
foreach(file IN ITEMS a.txt sub/b.txt sub/deeper/c.bin "sub/with blank.txt")
  file(WRITE "${SCRATCH}/src/${file}" "Zelk benchmark corpus: ${file}\n")
endforeach()
file(MAKE_DIRECTORY "${SCRATCH}/src/empty")

set(scratch_seen "${SCRATCH}")
if(EMULATOR)
  string(REPLACE "/" "\\" scratch_seen "Z:${SCRATCH}")
endif()
