# Gathers a release: the packages of every architecture of architectures.txt
# and of Windows, from the build-package* folders (build-package for the
# build machine's own), copied into one folder with one SHA256SUMS over them
# all. Each line names a file alone, so that a person who downloaded some of
# them checks those with sha256sum --check --ignore-missing.
#
# A release takes only what tests/check-release proved: the packages that
# each folder's CHECKED lists, which it writes where every check of them
# passed and none skipped. A release that lacks one is refused, naming what
# is missing. PARTIAL gathers whatever each folder's SHA256SUMS lists,
# proved or not, for testing, into a folder that says so.
#
#   cmake -P cmake/collect-release.cmake    (from the top of the source tree,
#                                            after tests/check-release;
#                                            writes release/)
#   cmake -DPARTIAL=ON -P cmake/collect-release.cmake    (release-partial/)
set(top ${CMAKE_CURRENT_LIST_DIR}/..)
file(REMOVE_RECURSE ${top}/release ${top}/release-partial)
set(release ${top}/release)
set(list CHECKED)
if(PARTIAL)
  set(release ${top}/release-partial)
  set(list SHA256SUMS)
endif()

# Each system, its folder and the kinds of package it must hold.
set(systems windows)
set(folders build-package-windows)
set(kinds zip)
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/architectures.txt rows REGEX "^architecture ")
foreach(row IN LISTS rows)
  # The row that needs no emulator is the build machine's own.
  string(REGEX REPLACE " +" ";" fields "${row}")
  list(GET fields 1 debian)
  list(GET fields 4 emulator)
  list(APPEND systems ${debian})
  if(emulator STREQUAL "-")
    list(APPEND folders build-package)
  else()
    list(APPEND folders build-package-${debian})
  endif()
  list(APPEND kinds "deb|tar\\.gz")
endforeach()

set(sums "")
set(missing "")
foreach(system folder kind IN ZIP_LISTS systems folders kinds)
  if(NOT EXISTS ${top}/${folder}/${list})
    list(APPEND missing "${system}: ${folder}/${list} does not exist")
    continue()
  endif()
  file(STRINGS ${top}/${folder}/${list} lines)
  string(REPLACE "|" ";" wanted "${kind}")
  foreach(suffix IN LISTS wanted)
    if(NOT lines MATCHES "\\.${suffix}(;|$)")
      list(APPEND missing "${system}: ${folder}/${list} names no .${suffix}")
    endif()
  endforeach()
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[0-9a-f]+  " "" name "${line}")
    file(SHA256 ${top}/${folder}/${name} sum)
    if(NOT line STREQUAL "${sum}  ${name}")
      message(FATAL_ERROR "${folder}/${name} is not the package its ${list} names")
    endif()
    file(COPY ${top}/${folder}/${name} DESTINATION ${release})
    list(APPEND sums "${line}")
  endforeach()
endforeach()
if(missing AND NOT PARTIAL)
  file(REMOVE_RECURSE ${release})
  list(JOIN missing "\n  " missing)
  message(FATAL_ERROR "no release, for want of what tests/check-release proves:\n  ${missing}\n"
    "-DPARTIAL=ON gathers what there is, for testing")
endif()
list(SORT sums COMPARE STRING)
list(JOIN sums "\n" text)
file(WRITE ${release}/SHA256SUMS "${text}\n")
list(LENGTH sums count)
get_filename_component(name ${release} NAME)
message(STATUS "${name}/: ${count} packages and their SHA256SUMS")
