# Cross build of SETUPVDL.EXE and its Wine tests.
enable_language(RC)

set(WARNINGS -Wall -Wextra -Werror -Wshadow -Wno-cast-function-type)
add_compile_options(${WARNINGS})
# Function sections let the linker drop unused code. No data sections: with
# them MinGW's GCC places zero-initialised globals in .data instead of .bss,
# which costs their whole size in the file.
set(SIZE_FLAGS -Os -ffunction-sections -fno-asynchronous-unwind-tables)
# The shipping images run on every processor that NT 4.0 runs on, a 486
# included: no CMOV, FCOMI, MMX or SSE, which the compiler's default (the
# Pentium Pro) would use.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(OLDEST_CPU -march=i486)
else()
  set(OLDEST_CPU)
endif()
list(APPEND SIZE_FLAGS ${OLDEST_CPU})
set(SHIP_CXX_FLAGS -fno-exceptions -fno-rtti -fno-threadsafe-statics)
# Reproducible: no link time stamp, no build paths in the image. The
# executable is always loaded at its preferred base (the NT 4.0 and 2000
# loaders never move an executable), so it carries no relocation table.
set(LINK_FLAGS -static -static-libgcc -static-libstdc++ -Wl,--gc-sections
    -Wl,--no-insert-timestamp -Wl,--disable-reloc-section -s -mwindows)
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.)

set(RES_DIR ${CMAKE_SOURCE_DIR}/res)
include(cmake/payloads.cmake)

file(GLOB CORE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/*/*.cpp)
list(FILTER CORE_SOURCES EXCLUDE REGEX "/src/deploy/")
list(REMOVE_ITEM CORE_SOURCES ${CMAKE_SOURCE_DIR}/src/driver/main.cpp ${CMAKE_SOURCE_DIR}/src/driver/entry.cpp
     ${CMAKE_SOURCE_DIR}/src/driver/runtime.cpp)

add_library(setupcore STATIC ${CORE_SOURCES})
target_include_directories(setupcore PUBLIC ${CMAKE_SOURCE_DIR}/src ${RES_DIR})
target_compile_options(setupcore PRIVATE ${SIZE_FLAGS} $<$<COMPILE_LANGUAGE:CXX>:${SHIP_CXX_FLAGS}>)
target_compile_definitions(setupcore PUBLIC WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0501 WINVER=0x0501 _WIN32_IE=0x0500)
# Only what every NT version protects from a planted copy (KnownDLLs) is
# imported; the common controls, the shell and the version library are
# loaded from the system directory at their first use
# (src/driver/late_libraries.cpp).
target_link_libraries(setupcore PUBLIC advapi32 gdi32 user32 kernel32)

# The resources: string table, templates, bitmaps, icon, licence, payloads.
set(SETUP_RC ${RES_DIR}/setup.rc)
add_library(setupres OBJECT ${SETUP_RC})
target_include_directories(setupres PRIVATE ${RES_DIR} ${PAYLOAD_DIR})
# windres does not report the files that the script pulls in: name them.
file(GLOB RES_FILES CONFIGURE_DEPENDS ${RES_DIR}/*.bmp ${RES_DIR}/*.ico ${RES_DIR}/*.txt ${RES_DIR}/*.h
     ${RES_DIR}/*.manifest)
set_source_files_properties(${SETUP_RC} PROPERTIES OBJECT_DEPENDS "${PAYLOAD_FILES};${PAYLOAD_DIGESTS};${RES_FILES}")
add_dependencies(setupres payloads)

# Its own entry point (src/driver/entry.cpp) instead of the run-time
# library's start-up files, and its own few run-time functions
# (src/driver/runtime.cpp) instead of msvcrt.dll.
add_executable(SETUPVDL WIN32 ${CMAKE_SOURCE_DIR}/src/driver/main.cpp ${CMAKE_SOURCE_DIR}/src/driver/entry.cpp
                              ${CMAKE_SOURCE_DIR}/src/driver/runtime.cpp $<TARGET_OBJECTS:setupres>)
set_target_properties(SETUPVDL PROPERTIES OUTPUT_NAME SETUPVDL SUFFIX .EXE)
# Loops written out, not turned back into calls of the functions they define.
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/driver/runtime.cpp PROPERTIES COMPILE_OPTIONS
                            "-fno-builtin;-fno-tree-loop-distribute-patterns")
target_compile_options(SETUPVDL PRIVATE ${SIZE_FLAGS} ${SHIP_CXX_FLAGS})
target_link_libraries(SETUPVDL PRIVATE setupcore)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(ENTRY_SYMBOL _WinMainCRTStartup)
else()
  set(ENTRY_SYMBOL WinMainCRTStartup)
endif()
target_link_options(SETUPVDL PRIVATE ${LINK_FLAGS} -nostartfiles -Wl,-e,${ENTRY_SYMBOL})
# The table of exit functions in entry.cpp holds whatever the code registers.
add_custom_command(TARGET SETUPVDL POST_BUILD
  COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DENTRY=${CMAKE_SOURCE_DIR}/src/driver/entry.cpp
          "-DINPUTS=$<JOIN:$<TARGET_OBJECTS:SETUPVDL>;$<TARGET_FILE:setupcore>,|>"
          -P ${CMAKE_SOURCE_DIR}/cmake/check-exit-table.cmake
  VERBATIM)

# VDLPUSH.EXE, the deployment program that runs SETUPVDL.EXE -u and answers
# with an exit code (docs/deploying.md): a console program with its own
# entry and no run-time library, importing only kernel32, user32 and
# advapi32.
add_executable(VDLPUSH ${CMAKE_SOURCE_DIR}/src/deploy/push.cpp ${CMAKE_SOURCE_DIR}/src/deploy/push.rc
                       ${CMAKE_SOURCE_DIR}/src/driver/runtime.cpp ${CMAKE_SOURCE_DIR}/src/driver/library_search.cpp
                       ${CMAKE_SOURCE_DIR}/src/driver/cmdline_logic.cpp ${CMAKE_SOURCE_DIR}/src/driver/mbtext_logic.cpp
                       ${CMAKE_SOURCE_DIR}/src/engine/bootexec_logic.cpp)
set_target_properties(VDLPUSH PROPERTIES OUTPUT_NAME VDLPUSH SUFFIX .EXE)
target_compile_options(VDLPUSH PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${SIZE_FLAGS} ${SHIP_CXX_FLAGS}>)
target_include_directories(VDLPUSH PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_compile_definitions(VDLPUSH PRIVATE WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0501 WINVER=0x0501)
target_link_libraries(VDLPUSH PRIVATE advapi32 user32 kernel32)
set(CONSOLE_LINK_FLAGS ${LINK_FLAGS})
list(REMOVE_ITEM CONSOLE_LINK_FLAGS -mwindows)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(CONSOLE_ENTRY_SYMBOL _mainCRTStartup)
else()
  set(CONSOLE_ENTRY_SYMBOL mainCRTStartup)
endif()
target_link_options(VDLPUSH PRIVATE ${CONSOLE_LINK_FLAGS} -mconsole -nostartfiles -Wl,-e,${CONSOLE_ENTRY_SYMBOL})
include(cmake/signing.cmake)

if(SETUPVDL_TESTS)
  enable_testing()
  add_subdirectory(tests)
endif()
