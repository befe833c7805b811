# Writes FILE: MEGABYTES mebibytes of blanks and one more byte, a file just over the demo's
# limit when MEGABYTES is that limit in mebibytes.
string(REPEAT " " 1048576 Chunk)
file(WRITE "${FILE}" "")
foreach(I RANGE 1 ${MEGABYTES})
  file(APPEND "${FILE}" "${Chunk}")
endforeach()
file(APPEND "${FILE}" " ")
