# Gathers a release: every package that the package presets made, named in
# the SHA256SUMS that CPack left in each of their build folders, is copied
# into one folder, with one SHA256SUMS over them all. Each line names a file
# alone, so that a person who downloaded some of them checks those with
# sha256sum --check --ignore-missing.
#
#   cmake -P cmake/collect-release.cmake    (from the top of the source tree,
#                                            after the package workflows;
#                                            writes release/)
set(release ${CMAKE_CURRENT_LIST_DIR}/../release)
file(REMOVE_RECURSE ${release})
file(MAKE_DIRECTORY ${release})
file(GLOB sums_files ${CMAKE_CURRENT_LIST_DIR}/../build-package*/SHA256SUMS)
if(NOT sums_files)
  message(FATAL_ERROR "no build-package*/SHA256SUMS: run the package workflows first")
endif()
set(sums "")
foreach(sums_file IN LISTS sums_files)
  get_filename_component(folder ${sums_file} DIRECTORY)
  file(STRINGS ${sums_file} lines)
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[0-9a-f]+  " "" name "${line}")
    file(SHA256 ${folder}/${name} sum)
    if(NOT line STREQUAL "${sum}  ${name}")
      message(FATAL_ERROR "${folder}/${name} is not the package its SHA256SUMS names")
    endif()
    file(COPY ${folder}/${name} DESTINATION ${release})
    list(APPEND sums "${line}")
  endforeach()
endforeach()
list(SORT sums COMPARE STRING)
list(JOIN sums "\n" text)
file(WRITE ${release}/SHA256SUMS "${text}\n")
list(LENGTH sums count)
message(STATUS "release/: ${count} packages and their SHA256SUMS")
