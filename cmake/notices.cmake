# The notice of the libraries that a release links into its program. Each is
# named with the Debian package that gave it to this build, that package's
# version and the package's own copyright file, all read from dpkg at
# configure time, so that what the notice says of versions and terms is true
# of the bytes that were linked.
#
# inventory_notices(OUTPUT LINE_END NAME=FILE...): FILE as the compiler finds
# it (libc.a); LINE_END is the text that ends each line.
function(inventory_notices output line_end)
  find_program(DPKG_QUERY dpkg-query)
  if(NOT DPKG_QUERY)
    message(WARNING "dpkg-query was not found, so ${output} cannot give the libraries' terms")
    return()
  endif()
  set(text "Security Inventory's program has these libraries linked into it. Each is named
with the Debian package that it was built from, that package's version, and
the package's own copyright file, which gives its copyright and licence.
")
  set(copyrights_given)
  foreach(entry IN LISTS ARGN)
    string(REGEX MATCH "^([^=]+)=(.+)$" matched "${entry}")
    set(name ${CMAKE_MATCH_1})
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${CMAKE_MATCH_2}
      OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    if(NOT IS_ABSOLUTE "${path}")
      message(FATAL_ERROR "the compiler does not find ${CMAKE_MATCH_2}, which holds ${name}")
    endif()
    file(REAL_PATH "${path}" path)
    execute_process(COMMAND ${DPKG_QUERY} --search ${path}
      OUTPUT_VARIABLE owner OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX REPLACE ": .*" "" package "${owner}")
    execute_process(COMMAND ${DPKG_QUERY} --show --showformat=\${Version} ${package}
      OUTPUT_VARIABLE version COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX REPLACE ":.*" "" package "${package}")
    string(APPEND text "\n==== ${name}: Debian package ${package}, version ${version} ====\n\n")
    # One compiler's runtime packages share one copyright file: it is given
    # once.
    file(READ /usr/share/doc/${package}/copyright copyright)
    string(SHA256 digest "${copyright}")
    list(FIND copyrights_given ${digest} given)
    if(given GREATER_EQUAL 0)
      math(EXPR given "${given} + 1")
      list(GET copyrights_given ${given} earlier)
      string(APPEND text "Its copyright file is the same as that of ${earlier} above.\n")
    else()
      string(APPEND text "${copyright}")
      list(APPEND copyrights_given ${digest} ${package})
    endif()
  endforeach()
  string(REPLACE "\n" "${line_end}" text "${text}")
  file(WRITE ${output} "${text}")
endfunction()
