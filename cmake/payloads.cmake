# The product's four files, built from their sources and stored in the SZDD
# format that the version library expands.
set(PAYLOAD_DIR ${CMAKE_BINARY_DIR}/payload)
set(PAYLOAD_SRC ${RES_DIR}/payload)
set(PAYLOAD_LINK -s -Wl,--no-insert-timestamp -static-libgcc)

# The shell extension: C++ without its run-time library, so no exceptions,
# no type information, no static constructors and no loops turned into calls
# of the library's memory functions; DllMain is the entry.
add_library(vdlite_dll SHARED ${PAYLOAD_SRC}/vdlite_dll.cpp ${PAYLOAD_SRC}/vdlite_uninstall.cpp
                              ${PAYLOAD_SRC}/vdlite_dll.rc ${PAYLOAD_SRC}/vdlite_dll.def)
set_target_properties(vdlite_dll PROPERTIES OUTPUT_NAME VDLite PREFIX "" SUFFIX .dll
                      LIBRARY_OUTPUT_DIRECTORY ${PAYLOAD_DIR}/plain RUNTIME_OUTPUT_DIRECTORY ${PAYLOAD_DIR}/plain)
target_include_directories(vdlite_dll PRIVATE ${PAYLOAD_SRC})
target_compile_definitions(vdlite_dll PRIVATE WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0400 WINVER=0x0400 _WIN32_IE=0x0400)
target_compile_options(vdlite_dll PRIVATE ${OLDEST_CPU} $<$<COMPILE_LANGUAGE:CXX>:-Os -ffunction-sections -fno-asynchronous-unwind-tables
                       -fno-exceptions -fno-rtti -fno-threadsafe-statics -fno-tree-loop-distribute-patterns>)
target_link_options(vdlite_dll PRIVATE ${PAYLOAD_LINK} -nostdlib -Wl,--gc-sections -Wl,-e,DllMain
                    -Wl,--enable-stdcall-fixup)
target_link_libraries(vdlite_dll PRIVATE comctl32 shell32 ole32 advapi32 gdi32 user32 kernel32)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  target_link_options(vdlite_dll PRIVATE -Wl,-e,_DllMain@12)
endif()

# A native program, as the boot-time program is: no Win32 subsystem.
add_executable(vdlite_exe ${PAYLOAD_SRC}/vdlite_exe.c)
set_target_properties(vdlite_exe PROPERTIES OUTPUT_NAME VDLite SUFFIX .exe
                      RUNTIME_OUTPUT_DIRECTORY ${PAYLOAD_DIR}/plain)
target_compile_options(vdlite_exe PRIVATE ${OLDEST_CPU} -Os -ffreestanding)
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

# What setup compares its stored files and the files it installed with:
# digests of exactly the bytes stored and of the files they expand to.
set(PAYLOAD_DIGESTS ${PAYLOAD_DIR}/file_digests.inc)
set(STORED_FILES ${PAYLOAD_DIR}/vdlite.dl_ ${PAYLOAD_DIR}/vdlite.hl_ ${PAYLOAD_DIR}/vdlite.cn_ ${PAYLOAD_DIR}/vdlite.ex_
    ${RES_DIR}/license.txt)
set(PLAIN_FILES $<TARGET_FILE:vdlite_dll> ${PAYLOAD_SRC}/VDLite.hlp ${PAYLOAD_SRC}/VDLite.cnt $<TARGET_FILE:vdlite_exe>)
add_custom_command(
  OUTPUT ${PAYLOAD_DIGESTS}
  COMMAND ${CMAKE_COMMAND} "-DSTORED=$<JOIN:${STORED_FILES},|>" "-DPLAIN=$<JOIN:${PLAIN_FILES},|>"
          -DOUTPUT=${PAYLOAD_DIGESTS} -P ${CMAKE_SOURCE_DIR}/cmake/digests.cmake
  DEPENDS ${STORED_FILES} ${PLAIN_FILES} vdlite_dll vdlite_exe ${CMAKE_SOURCE_DIR}/cmake/digests.cmake
  COMMENT "Recording the digests of the stored and expanded files"
  VERBATIM)
add_custom_target(payloads DEPENDS ${PAYLOAD_FILES} ${PAYLOAD_DIGESTS})
