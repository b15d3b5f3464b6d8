# The product's four files, built from stand-in sources and stored in the
# SZDD format that the version library expands.
set(PAYLOAD_DIR ${CMAKE_BINARY_DIR}/payload)
set(PAYLOAD_SRC ${RES_DIR}/payload)
set(PAYLOAD_LINK -s -Wl,--no-insert-timestamp -static-libgcc)

add_library(vdlite_dll SHARED ${PAYLOAD_SRC}/vdlite_dll.c ${PAYLOAD_SRC}/vdlite_dll.def)
set_target_properties(vdlite_dll PROPERTIES OUTPUT_NAME VDLite PREFIX "" SUFFIX .dll
                      LIBRARY_OUTPUT_DIRECTORY ${PAYLOAD_DIR}/plain RUNTIME_OUTPUT_DIRECTORY ${PAYLOAD_DIR}/plain)
target_compile_options(vdlite_dll PRIVATE -Os)
target_link_options(vdlite_dll PRIVATE ${PAYLOAD_LINK} -nostdlib -Wl,-e,DllMain -Wl,--enable-stdcall-fixup)
target_link_libraries(vdlite_dll PRIVATE kernel32)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  target_link_options(vdlite_dll PRIVATE -Wl,-e,_DllMain@12)
endif()

# A native program, as the boot-time program is: no Win32 subsystem.
add_executable(vdlite_exe ${PAYLOAD_SRC}/vdlite_exe.c)
set_target_properties(vdlite_exe PROPERTIES OUTPUT_NAME VDLite SUFFIX .exe
                      RUNTIME_OUTPUT_DIRECTORY ${PAYLOAD_DIR}/plain)
target_compile_options(vdlite_exe PRIVATE -Os -ffreestanding)
target_link_options(vdlite_exe PRIVATE ${PAYLOAD_LINK} -nostdlib -Wl,--subsystem,native)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  target_link_options(vdlite_exe PRIVATE -Wl,-e,_NtProcessStartup@4)
else()
  target_link_options(vdlite_exe PRIVATE -Wl,-e,NtProcessStartup)
endif()
target_link_libraries(vdlite_exe PRIVATE ntdll)

set(PAYLOAD_FILES)
function(add_payload plain stored)
  set(deps ${plain} ${ARGN})
  # mscompress appends '_' and skips names that already end in one.
  string(REGEX REPLACE "_$" "" base ${stored})
  add_custom_command(
    OUTPUT ${PAYLOAD_DIR}/${stored}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PAYLOAD_DIR}/staging
    COMMAND ${CMAKE_COMMAND} -E copy ${plain} ${PAYLOAD_DIR}/staging/${base}
    COMMAND ${CMAKE_COMMAND} -E remove -f ${PAYLOAD_DIR}/staging/${stored}
    COMMAND mscompress ${PAYLOAD_DIR}/staging/${base}
    COMMAND ${CMAKE_COMMAND} -E rename ${PAYLOAD_DIR}/staging/${stored} ${PAYLOAD_DIR}/${stored}
    DEPENDS ${deps}
    COMMENT "Compressing ${stored}"
    VERBATIM)
  set(PAYLOAD_FILES ${PAYLOAD_FILES} ${PAYLOAD_DIR}/${stored} PARENT_SCOPE)
endfunction()

add_payload($<TARGET_FILE:vdlite_dll> vdlite.dl_ vdlite_dll)
add_payload($<TARGET_FILE:vdlite_exe> vdlite.ex_ vdlite_exe)
add_payload(${PAYLOAD_SRC}/VDLite.hlp vdlite.hl_)
add_payload(${PAYLOAD_SRC}/VDLite.cnt vdlite.cn_)
add_custom_target(payloads DEPENDS ${PAYLOAD_FILES})
