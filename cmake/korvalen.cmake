# Shared build settings: warnings as errors for our own code, and the sanitizer build.

if(KORVALEN_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
  add_compile_definitions(KORVALEN_SANITIZE=1)
endif()

# Marks a target as our own code: strict warnings, treated as errors.
function(kv_own_code target)
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Werror -Wshadow -Wno-missing-field-initializers>
    $<$<COMPILE_LANGUAGE:C>:-Wall -Wextra -Werror -Wshadow>)
endfunction()

# kv_library(name SOURCES...): one static library per subsystem, includes rooted at the repository.
function(kv_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  kv_own_code(${name})
endfunction()

# kv_subsystem(name DEPS libs...): the static library of the calling folder, built from every
# source below it. New modules need no CMake edit.
function(kv_subsystem name)
  cmake_parse_arguments(S "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c ${CMAKE_CURRENT_SOURCE_DIR}/*.S)
  list(FILTER srcs EXCLUDE REGEX "/main\\.cpp$")
  if(NOT srcs)  # a subsystem still being written
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${S_DEPS})
    return()
  endif()
  kv_library(${name} ${srcs})
  if(S_DEPS)
    target_link_libraries(${name} PUBLIC ${S_DEPS})
  endif()
endfunction()
