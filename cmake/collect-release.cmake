# Gathers a release into release/: the packages of every architecture of
# architectures.txt and of Windows that tests/check-release proved, those
# that the CHECKED of each build-package* folder lists, with one SHA256SUMS
# whose lines each name a file alone (sha256sum --ignore-missing). A
# release that lacks one is refused, naming what is missing. PARTIAL takes
# what each SHA256SUMS lists instead, proved or not, into release-partial/.
#
#   cmake [-DPARTIAL=ON] -P cmake/collect-release.cmake
set(top ${CMAKE_CURRENT_LIST_DIR}/..)
file(REMOVE_RECURSE ${top}/release ${top}/release-partial)
set(release ${top}/release)
set(list CHECKED)
if(PARTIAL)
  set(release ${top}/release-partial)
  set(list SHA256SUMS)
endif()

# Each folder and the kinds of package it must hold; the row that needs no
# emulator is the build machine's own, made by the package preset.
set(wanted "build-package-windows zip")
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/architectures.txt rows REGEX "^architecture ")
foreach(row IN LISTS rows)
  string(REGEX REPLACE "^architecture ([^ ]+) +[^ ]+ +([^ ]+).*" "\\1;\\2" fields "${row}")
  list(GET fields 0 debian)
  list(GET fields 1 emulator)
  set(folder build-package-${debian})
  if(emulator STREQUAL "-")
    set(folder build-package)
  endif()
  list(APPEND wanted "${folder} deb tar.gz")
endforeach()

set(sums "")
set(missing "")
foreach(entry IN LISTS wanted)
  string(REPLACE " " ";" kinds "${entry}")
  list(POP_FRONT kinds folder)
  if(NOT EXISTS ${top}/${folder}/${list})
    list(APPEND missing "${folder}/ holds no ${list}: its packages are missing or not proved")
    continue()
  endif()
  file(STRINGS ${top}/${folder}/${list} lines)
  foreach(kind IN LISTS kinds)
    if(NOT lines MATCHES "\\.${kind}(;|$)")
      list(APPEND missing "${folder}/${list} names no .${kind}")
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
message(STATUS "${release}: ${count} packages and their SHA256SUMS")
