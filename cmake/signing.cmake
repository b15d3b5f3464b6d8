# The signed release (tools/sign.sh): VDLite.dll and VDLite.exe are signed as
# soon as they are linked, so the payload resources carry the signed files;
# SETUPVDL.EXE, which is linked after them, is signed last, and so is the
# deployment program VDLPUSH.EXE.
option(SETUPVDL_SIGN "Sign VDLite.dll, VDLite.exe, SETUPVDL.EXE and VDLPUSH.EXE as they are linked" OFF)
if(SETUPVDL_SIGN)
  foreach(target vdlite_dll vdlite_exe SETUPVDL VDLPUSH)
    add_custom_command(TARGET ${target} POST_BUILD
                       COMMAND ${CMAKE_SOURCE_DIR}/tools/sign.sh --file $<TARGET_FILE:${target}>
                       VERBATIM)
  endforeach()
endif()
