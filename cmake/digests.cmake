# Writes the body of setup's digest resource: the SHA-256 of each stored file
# (FILE 107 to 111, in that order) as the resource compiler stores it, then
# of each payload file as the version library expands it (107 to 110). The
# resource compiler takes 16-bit words, so each pair of bytes is written
# with its second byte first.
#   cmake -DSTORED=a|b|... -DPLAIN=a|b|... -DOUTPUT=file -P digests.cmake
string(REPLACE "|" ";" stored "${STORED}")
string(REPLACE "|" ";" plain "${PLAIN}")
list(LENGTH stored stored_count)
list(LENGTH plain plain_count)
if(NOT stored_count EQUAL 5 OR NOT plain_count EQUAL 4)
  message(FATAL_ERROR "digests.cmake: five stored and four plain files expected")
endif()
set(text "// Written by the build (cmake/digests.cmake); not to be edited.\n")
foreach(file IN LISTS stored plain)
  file(SHA256 ${file} hex)
  set(words)
  foreach(at RANGE 0 60 4)
    string(SUBSTRING ${hex} ${at} 2 low)
    math(EXPR high_at "${at} + 2")
    string(SUBSTRING ${hex} ${high_at} 2 high)
    list(APPEND words "0x${high}${low}")
  endforeach()
  list(JOIN words ", " line)
  get_filename_component(name ${file} NAME)
  string(APPEND text "  ${line},  // ${name}\n")
endforeach()
string(REGEX REPLACE ",(  // [^\n]*\n)$" " \\1" text "${text}")
file(WRITE ${OUTPUT} "${text}")
