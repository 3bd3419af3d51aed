# Compiler settings shared by every Marlinet target. Targets opt in with
# marlinet_target_defaults(<target>).

add_library(marlinet_defaults INTERFACE)
target_compile_options(marlinet_defaults INTERFACE -Wall -Wextra -Wpedantic)
if(MARLINET_WERROR)
  target_compile_options(marlinet_defaults INTERFACE -Werror)
endif()

if(MARLINET_SANITIZE)
  # Applied globally so that GoogleTest's own objects agree with ours.
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

if(MARLINET_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "MARLINET_FUZZ needs clang (configure with CMAKE_CXX_COMPILER=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

function(marlinet_target_defaults target)
  target_link_libraries(${target} PRIVATE marlinet_defaults)
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
endfunction()
