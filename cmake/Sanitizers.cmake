# Sanitizer and fuzzer instrumentation for every target of the build, so the libraries and the
# tests or fuzz targets that call them are instrumented alike.
#   -DTEXKIT2_SANITIZE="address;undefined"   AddressSanitizer + UndefinedBehaviorSanitizer
#   -DTEXKIT2_BUILD_FUZZERS=ON (clang)       libFuzzer coverage; address;undefined by default

if(TEXKIT2_BUILD_FUZZERS)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "TEXKIT2_BUILD_FUZZERS needs clang (libFuzzer): "
                        "configure with -DCMAKE_CXX_COMPILER=clang++")
  endif()
  if(NOT TEXKIT2_SANITIZE)
    set(TEXKIT2_SANITIZE "address;undefined")
  endif()
  # Coverage feedback in every library; the fuzz targets add the libFuzzer main themselves.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

if(TEXKIT2_SANITIZE)
  if(MSVC)
    if(NOT TEXKIT2_SANITIZE STREQUAL "address")
      message(FATAL_ERROR "MSVC offers only TEXKIT2_SANITIZE=address")
    endif()
    add_compile_options(/fsanitize=address)
  else()
    list(JOIN TEXKIT2_SANITIZE "," _texkit2_sanitizers)
    add_compile_options(-fsanitize=${_texkit2_sanitizers} -fno-omit-frame-pointer)
    add_link_options(-fsanitize=${_texkit2_sanitizers})
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
      # GCC 12 reports -Wrestrict false positives inside libstdc++'s string assignment once
      # sanitizers change its inlining (GCC bug 105651).
      add_compile_options(-Wno-restrict)
    endif()
    if("undefined" IN_LIST TEXKIT2_SANITIZE)
      # Abort on the first finding: UBSan otherwise prints and carries on, and the test passes.
      add_compile_options(-fno-sanitize-recover=undefined)
    endif()
    unset(_texkit2_sanitizers)
  endif()
endif()
