# One interface target carries the warning flags (and the sanitizers) for every target of ours.
add_library(vx_warnings INTERFACE)
target_compile_options(vx_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual
  -Wimplicit-fallthrough)
# GCC's spelling; clang rejects it as an unknown option (the fuzz build uses clang).
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(vx_warnings INTERFACE -Wshadow=local)
endif()
if(VEXTRAL_WERROR)
  target_compile_options(vx_warnings INTERFACE -Werror)
endif()
if(VEXTRAL_SANITIZE STREQUAL "thread")
  target_compile_options(vx_warnings INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(vx_warnings INTERFACE -fsanitize=thread)
elseif(VEXTRAL_SANITIZE)
  target_compile_options(vx_warnings INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(vx_warnings INTERFACE -fsanitize=address,undefined)
endif()

# vx_add_layer(NAME folder DEPS ...): one library per source folder; a folder may use only
# the layers handed to it, which keeps the dependency direction one way.
function(vx_add_layer name folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp ${folder}/*.h)
  add_library(${name} STATIC ${sources})
  set_target_properties(${name} PROPERTIES LINKER_LANGUAGE CXX)
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE vx_warnings)
endfunction()
