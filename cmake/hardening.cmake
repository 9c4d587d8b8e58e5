# inventory_harden(TARGET): the OpenSSF compiler options guide's hardening
# on an interface target, each flag tried first, so that g++, clang and
# mingw-w64 get what they support without a warning (tests/check-hardening
# proves the result).
include(CheckCXXCompilerFlag)
include(CheckCXXSourceCompiles)
include(CheckLinkerFlag)
include(CheckPIESupported)

check_pie_supported(LANGUAGES CXX)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

function(inventory_harden target)
  # Control-flow protection is x86's: other targets' compilers refuse it.
  set(flags)
  foreach(flag -fstack-protector-strong -fstack-clash-protection -fcf-protection=full)
    string(MAKE_C_IDENTIFIER "inventory_has${flag}" supported)
    check_cxx_compiler_flag(${flag} ${supported})
    if(${supported})
      list(APPEND flags ${flag})
    endif()
  endforeach()
  # mingw-w64 links the stack protector's runtime only when the flag is on
  # the link line too.
  target_compile_options(${target} INTERFACE ${flags})
  target_link_options(${target} INTERFACE ${flags})

  # The bounds-checked standard library: libstdc++'s assertions, and the
  # hardening mode of libc++ under the name that its version knows.
  target_compile_definitions(${target} INTERFACE _GLIBCXX_ASSERTIONS)
  # The tests read inventory_uses_libcxx too: an installed GoogleTest cannot
  # link with libc++.
  check_cxx_source_compiles("
    #include <version>
    #ifndef _LIBCPP_VERSION
    #error not libc++
    #endif
    int main() { return 0; }" inventory_uses_libcxx)
  if(inventory_uses_libcxx)
    set(modes _LIBCPP_HARDENING_MODE=_LIBCPP_HARDENING_MODE_FAST _LIBCPP_ENABLE_ASSERTIONS=1
              _LIBCPP_DEBUG=0)
    set(versions "_LIBCPP_VERSION >= 180000" "_LIBCPP_VERSION >= 150000 && _LIBCPP_VERSION < 180000"
                 "_LIBCPP_VERSION < 150000")
    foreach(mode version IN ZIP_LISTS modes versions)
      string(REGEX REPLACE "=.*" "" name ${mode})
      check_cxx_source_compiles("
        #include <version>
        #if !(${version})
        #error not this libc++
        #endif
        int main() { return 0; }" inventory_libcxx_knows${name})
      if(inventory_libcxx_knows${name})
        target_compile_definitions(${target} INTERFACE ${mode})
      endif()
    endforeach()
  endif()

  # Fortified C library calls need the optimiser, and would hide memory
  # errors from the sanitizers, which check the same calls more closely.
  if(NOT INVENTORY_SANITIZE AND NOT INVENTORY_FUZZER)
    foreach(level 3 2)
      set(CMAKE_REQUIRED_FLAGS "-O2 -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=${level}")
      # mingw-w64's checked calls live in the stack protector's runtime.
      set(CMAKE_REQUIRED_LINK_OPTIONS ${flags})
      check_cxx_source_compiles("
        #include <cstring>
        #if defined(__USE_FORTIFY_LEVEL) && __USE_FORTIFY_LEVEL < ${level}
        #error level ${level} unknown
        #endif
        int main(int, char** argv) { char copy[8]; std::strcpy(copy, argv[0]); return copy[0]; }"
        inventory_has_fortify_${level})
      if(inventory_has_fortify_${level})
        target_compile_options(${target} INTERFACE
          "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=${level}>")
        break()
      endif()
    endforeach()
  endif()

  # Immediate binding and read-only relocations, no executable stack; on
  # Windows, high-entropy ASLR and DEP.
  if(WIN32)
    set(link_flags --dynamicbase --high-entropy-va --nxcompat)
  else()
    set(link_flags -z,relro -z,now -z,noexecstack)
  endif()
  foreach(flag ${link_flags})
    string(MAKE_C_IDENTIFIER "inventory_links${flag}" supported)
    check_linker_flag(CXX "LINKER:${flag}" ${supported})
    if(${supported})
      target_link_options(${target} INTERFACE "LINKER:${flag}")
    endif()
  endforeach()
endfunction()
