# Compiler settings shared by every Marlinet target: warnings, sanitizers and
# assertions live on one interface target that every target links, so nothing
# is configured twice.

add_library(marlinet_defaults INTERFACE)
target_compile_options(marlinet_defaults INTERFACE
  -Wall -Wextra -Wpedantic
  -Wnon-virtual-dtor -Woverloaded-virtual -Wold-style-cast -Wcast-qual
  -Wformat=2 -Wimplicit-fallthrough -Wmissing-declarations -Wnull-dereference)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(marlinet_defaults INTERFACE
    -Wshadow=local -Wduplicated-cond -Wduplicated-branches -Wlogical-op -Wuseless-cast)
else()
  target_compile_options(marlinet_defaults INTERFACE -Wshadow)
endif()
if(MARLINET_WERROR)
  target_compile_options(marlinet_defaults INTERFACE -Werror)
endif()

if(MARLINET_SANITIZE)
  # Applied globally so that GoogleTest's own objects agree with ours.
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
  # Bounds-checked standard containers: an out-of-range index aborts at once.
  add_compile_definitions(_GLIBCXX_ASSERTIONS)
endif()

if(MARLINET_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "MARLINET_FUZZ needs clang (configure with CMAKE_CXX_COMPILER=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
  add_compile_definitions(_GLIBCXX_ASSERTIONS)
endif()

# Every Marlinet target: the shared settings, nothing more. Include paths
# come with the libraries a target links.
function(marlinet_target_defaults target)
  target_link_libraries(${target} PRIVATE marlinet_defaults)
endfunction()

# A product library of one subsystem. Its headers are included as
# "<subsystem>/<file>.h"; the include root reaches only the targets that link it.
function(marlinet_library target)
  add_library(${target} ${ARGN})
  marlinet_target_defaults(${target})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
endfunction()
