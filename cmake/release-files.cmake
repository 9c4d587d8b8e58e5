# Run by cpack after each generator, before the package is copied out.
# CPack writes archive members in the order the file system lists them, so
# a tarball or zip is written again from the same staged files, sorted, and
# without directory entries. Then SHA256SUMS beside the packages gets a line
# for each package made, in place of any line that named it before; lines
# of another version's packages, made before a commit, are dropped.
set(names "")
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(name ${package} NAME)
  list(APPEND names ${name})
  if(name MATCHES "\\.(tar\\.gz|zip)$")
    set(format gnutar)
    set(flags cfz)
    if(name MATCHES "\\.zip$")
      set(format zip)
      set(flags cf)
    endif()
    file(GLOB_RECURSE members LIST_DIRECTORIES false RELATIVE ${CPACK_TOPLEVEL_DIRECTORY}
      ${CPACK_TEMPORARY_DIRECTORY}/*)
    list(SORT members)
    file(REMOVE ${package})
    execute_process(COMMAND ${CMAKE_COMMAND} -E tar ${flags} ${package} --format=${format} -- ${members}
      WORKING_DIRECTORY ${CPACK_TOPLEVEL_DIRECTORY} COMMAND_ERROR_IS_FATAL ANY)
  endif()
  file(SHA256 ${package} sum)
  list(APPEND sums "${sum}  ${name}")
endforeach()

set(sums_file ${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS)
if(EXISTS ${sums_file})
  string(REGEX REPLACE "[][+.*^$?|()\\]" "\\\\\\0" version "${CPACK_PACKAGE_VERSION}")
  file(STRINGS ${sums_file} known)
  foreach(line IN LISTS known)
    string(REGEX REPLACE "^[0-9a-f]+  " "" name "${line}")
    if(NOT name IN_LIST names AND name MATCHES "[-_]${version}[-_]")
      list(APPEND sums "${line}")
    endif()
  endforeach()
endif()
list(SORT sums COMPARE STRING)
list(JOIN sums "\n" text)
file(WRITE ${sums_file} "${text}\n")
