if(VELMORA_SANITIZE)
  set(_san_flags -fsanitize=${VELMORA_SANITIZE} -fno-omit-frame-pointer)
  if(VELMORA_SANITIZE MATCHES "undefined")
    list(APPEND _san_flags -fno-sanitize-recover=undefined)
  endif()
  # GCC 12 reports false "maybe uninitialized" in the standard library when
  # instrumented.
  add_compile_options(${_san_flags} -Wno-maybe-uninitialized)
  add_link_options(-fsanitize=${VELMORA_SANITIZE})
endif()
