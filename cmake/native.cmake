# Native build of the platform-free logic with sanitizers, its tests and
# its fuzz targets.
set(SAN -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_compile_options(-Wall -Wextra -Werror -Wshadow -g -O1 ${SAN})
add_link_options(${SAN})

add_library(setuplogic STATIC ${LOGIC_SOURCES})
target_include_directories(setuplogic PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/res)

# The generator of the help file that setup carries (res/payload/VDLite.hlp,
# committed). `cmake --build build/native --target help-file` rewrites it.
add_executable(mkhelp ${CMAKE_SOURCE_DIR}/tools/mkhelp.cpp)
add_custom_target(help-file
  COMMAND mkhelp ${CMAKE_SOURCE_DIR}/res/payload/VDLite.hlp
  COMMENT "Writing res/payload/VDLite.hlp"
  VERBATIM)

if(SETUPVDL_TESTS)
  enable_testing()
  add_subdirectory(tests)
endif()

# Coverage feedback for the fuzz targets.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  target_compile_options(setuplogic PRIVATE -fsanitize=fuzzer-no-link)
endif()
