# Run by cpack for each generator, before it packs and again after. Who
# builds, with which umask and in which time zone, must not show in a
# package. Before: every staged folder and program gets mode 0755 and every
# other file 0644, and each its time stamp. After: a tarball or zip, whose
# members CPack writes in the order the file system lists them, with the
# builder's user, is written again from the same files, sorted, as root's,
# without folder entries, and a .deb's ar members root's, 0644.
file(GLOB_RECURSE members LIST_DIRECTORIES true RELATIVE ${CPACK_TOPLEVEL_DIRECTORY}
  ${CPACK_TEMPORARY_DIRECTORY}/*)
list(SORT members)
if(NOT DEFINED CPACK_PACKAGE_FILES)
  set(read OWNER_READ GROUP_READ WORLD_READ)
  set(run ${read} OWNER_EXECUTE GROUP_EXECUTE WORLD_EXECUTE)
  foreach(member IN LISTS members)
    set(path ${CPACK_TOPLEVEL_DIRECTORY}/${member})
    if(IS_DIRECTORY ${path} OR member MATCHES "/bin/[^/]+$|\\.exe$")
      file(CHMOD ${path} PERMISSIONS OWNER_WRITE ${run})
    else()
      file(CHMOD ${path} PERMISSIONS OWNER_WRITE ${read})
    endif()
  endforeach()
  execute_process(COMMAND touch -h -d @$ENV{SOURCE_DATE_EPOCH} ${CPACK_TEMPORARY_DIRECTORY}
    ${members} WORKING_DIRECTORY ${CPACK_TOPLEVEL_DIRECTORY} COMMAND_ERROR_IS_FATAL ANY)
  return()
endif()

set(files "")
foreach(member IN LISTS members)
  if(NOT IS_DIRECTORY ${CPACK_TOPLEVEL_DIRECTORY}/${member})
    list(APPEND files ${member})
  endif()
endforeach()
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(name ${package} NAME)
  file(REMOVE ${package}.new)
  if(name MATCHES "\\.tar\\.gz$")
    execute_process(COMMAND tar -c --owner=0 --group=0 --numeric-owner --format=gnu -- ${files}
      COMMAND gzip -9 -n OUTPUT_FILE ${package}.new
      WORKING_DIRECTORY ${CPACK_TOPLEVEL_DIRECTORY} COMMAND_ERROR_IS_FATAL ANY)
  elseif(name MATCHES "\\.zip$")
    # A zip holds local time: UTC's, and no extra fields, which would hold
    # the builder's user.
    execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC0 zip -q -X -D ${package}.new ${files}
      WORKING_DIRECTORY ${CPACK_TOPLEVEL_DIRECTORY} COMMAND_ERROR_IS_FATAL ANY)
  elseif(name MATCHES "\\.deb$")
    # CPack's ar gives each member the mode of the umask: written again in
    # ar's deterministic form, root's, 0644, at time 0.
    set(ar ${CPACK_TOPLEVEL_DIRECTORY}/ar)
    file(REMOVE_RECURSE ${ar})
    file(MAKE_DIRECTORY ${ar})
    execute_process(COMMAND ar t ${package} OUTPUT_VARIABLE parts COMMAND_ERROR_IS_FATAL ANY)
    string(REPLACE "\n" ";" parts "${parts}")
    execute_process(COMMAND ar x ${package} WORKING_DIRECTORY ${ar} COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND ar rcSD ${package}.new ${parts} WORKING_DIRECTORY ${ar}
      COMMAND_ERROR_IS_FATAL ANY)
  endif()
  if(EXISTS ${package}.new)
    file(RENAME ${package}.new ${package})
  endif()
endforeach()

