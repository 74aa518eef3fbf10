# Instrumented builds, each in a build folder of its own:
#   ZOVAZ_SANITIZE  AddressSanitizer and UndefinedBehaviorSanitizer over
#                   everything (scripts/sanitize runs the suites on it);
#   ZOVAZ_FUZZ      the fuzz targets under fuzz/ (clang's libFuzzer;
#                   scripts/fuzz runs them).
# Included before any target is defined, so every target gets the flags.
option(ZOVAZ_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(ZOVAZ_FUZZ "Build the fuzz targets (needs clang)" OFF)

if(ZOVAZ_SANITIZE OR ZOVAZ_FUZZ)
  # Undefined behaviour stops the program, so a finding cannot scroll by.
  # The dynamic-type check is off: the web engine's JavaScript library, built
  # without it, releases its std::shared_ptr through the copy of that code
  # instantiated here, which cannot see the engine's type information and
  # reports every such object as of the wrong type.
  set(ZOVAZ_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize=vptr
    -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${ZOVAZ_SANITIZER_FLAGS})
  add_link_options(${ZOVAZ_SANITIZER_FLAGS})
endif()

if(ZOVAZ_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "ZOVAZ_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# The runtime options and the leak suppressions, compiled into each
# executable so that test discovery, ctest and a run by hand all get them.
function(zovaz_sanitizer_defaults)
  if(NOT ZOVAZ_SANITIZE)
    return()
  endif()
  foreach(target IN LISTS ARGN)
    target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tests/sanitize/sanitizer_defaults.cpp)
    target_compile_definitions(${target} PRIVATE
      ZOVAZ_LSAN_SUPPRESSIONS="${CMAKE_SOURCE_DIR}/tests/sanitize/lsan.supp")
  endforeach()
endfunction()
