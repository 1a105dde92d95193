# VELMORA_FUZZ: the libFuzzer targets of fuzz/. Every library is built with
# libFuzzer's coverage hooks and AddressSanitizer and UndefinedBehaviorSanitizer
# (a finding stops the run); only the targets link libFuzzer's main. Needs clang:
#
#   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DVELMORA_FUZZ=ON -DVELMORA_TESTS=OFF
if(VELMORA_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang" OR NOT CMAKE_C_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "VELMORA_FUZZ needs clang as the C and C++ compiler: configure with CC=clang CXX=clang++")
  endif()
  if(VELMORA_SANITIZE)
    message(FATAL_ERROR "VELMORA_FUZZ brings its own sanitizers: leave VELMORA_SANITIZE empty")
  endif()
  add_compile_options(
    "$<$<COMPILE_LANGUAGE:C,CXX>:-fsanitize=fuzzer-no-link,address,undefined;-fno-sanitize-recover=undefined;-fno-omit-frame-pointer>")
  add_link_options(-fsanitize=address,undefined)
endif()
