# Installation and packages (CPack): a .deb and a tarball, or a zip for
# Windows, the same bytes whoever builds them: every time stamp is
# SOURCE_DATE_EPOCH, the last commit's by default, build paths are mapped
# away, and release-files.cmake fixes members' order, owner and modes.
include(GNUInstallDirs)
include(CheckCXXCompilerFlag)
include(CheckLinkerFlag)
set(git git -C ${PROJECT_SOURCE_DIR})
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND ${git} log -1 --format=%ct OUTPUT_VARIABLE commit_time
    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(commit_time)
    set(ENV{SOURCE_DATE_EPOCH} ${commit_time})
  endif()
endif()
check_cxx_compiler_flag(-ffile-prefix-map=/a=b inventory_has_file_prefix_map)
if(inventory_has_file_prefix_map AND NOT INVENTORY_COVERAGE)
  target_compile_options(inventory_build_options INTERFACE
    -ffile-prefix-map=${PROJECT_SOURCE_DIR}=. -ffile-prefix-map=${PROJECT_BINARY_DIR}=.)
endif()
if(WIN32)
  check_linker_flag(CXX LINKER:--no-insert-timestamp inventory_links_without_timestamp)
  if(inventory_links_without_timestamp)
    target_link_options(inventory_build_options INTERFACE LINKER:--no-insert-timestamp)
  endif()
endif()

# The version: project()'s at the commit tagged v<version>, and without git;
# at any other, 1.0.0+git.<commits since the tag, or since the start>.<commit>,
# which Debian orders after 1.0.0 and before 1.0.1. A shallow clone that
# lacks the history down to the tag cannot count them, and says so:
# 1.0.0+git.uncounted.<commit>.
set(INVENTORY_VERSION ${PROJECT_VERSION})
execute_process(COMMAND ${git} rev-parse --short=12 HEAD OUTPUT_VARIABLE commit
  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(commit)
  execute_process(COMMAND ${git} merge-base --is-ancestor v${PROJECT_VERSION} HEAD
    RESULT_VARIABLE untagged ERROR_QUIET)
  set(range HEAD)
  if(untagged EQUAL 0)
    set(range v${PROJECT_VERSION}..HEAD)
  endif()
  execute_process(COMMAND ${git} rev-list --count ${range} OUTPUT_VARIABLE commits
    OUTPUT_STRIP_TRAILING_WHITESPACE)
  execute_process(COMMAND ${git} rev-parse --is-shallow-repository OUTPUT_VARIABLE shallow
    OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(shallow AND NOT untagged EQUAL 0)
    set(commits uncounted)
  endif()
  if(NOT commits STREQUAL "0")
    set(INVENTORY_VERSION ${PROJECT_VERSION}+git.${commits}.${commit})
  endif()
  # Configured again after a commit, a checkout or a tag, which write these.
  foreach(file HEAD logs/HEAD packed-refs refs/tags)
    execute_process(COMMAND ${git} rev-parse --path-format=absolute --git-path ${file}
      OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(EXISTS "${path}")
      set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${path})
    endif()
  endforeach()
endif()
message(STATUS "Security Inventory ${INVENTORY_VERSION}")

# string(TIMESTAMP) reads SOURCE_DATE_EPOCH when it is set.
string(TIMESTAMP INVENTORY_SOURCE_DATE_EPOCH "%s" UTC)
string(TIMESTAMP INVENTORY_RELEASE_DATE "%Y-%m-%d" UTC)

# Compressed as Debian wants it: at the highest level, with no name or time
# stamp inside.
function(inventory_gzip file)
  add_custom_command(OUTPUT ${file}.gz
    COMMAND gzip -9 -n -f -k ${file}
    DEPENDS ${file} VERBATIM)
  get_filename_component(name ${file} NAME)
  add_custom_target(gzip-${name} ALL DEPENDS ${file}.gz)
endfunction()

# The Debian changelog of the Keep a Changelog file: one entry per released
# version, dated at the end of its release day, and for a build between
# releases one for its own version first, of the changes not yet released,
# dated at its commit.
function(inventory_debian_changelog markdown output)
  file(STRINGS ${markdown} lines)
  set(text "")
  set(version "")
  set(released OFF)
  set(maintainer "${CPACK_PACKAGE_CONTACT}")
  foreach(line IN LISTS lines)
    if(line STREQUAL "## [Unreleased]" AND NOT INVENTORY_VERSION STREQUAL PROJECT_VERSION)
      set(version ${INVENTORY_VERSION})
      string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)
      string(APPEND text "${PROJECT_NAME} (${version}) unstable; urgency=medium\n\n")
    elseif(line MATCHES "^## \\[([0-9][^]]*)\\] - ([0-9]+)-([0-9]+)-([0-9]+)")
      if(version)
        string(APPEND text "\n -- ${maintainer}  ${date}\n\n")
      endif()
      if(NOT released AND NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
        message(WARNING "${markdown} has no entry for version ${PROJECT_VERSION} yet")
      endif()
      set(released ON)
      set(version ${CMAKE_MATCH_1})
      # Days since 1970 from the civil date, for the weekday of its stamp.
      math(EXPR y "${CMAKE_MATCH_2}")
      math(EXPR m "${CMAKE_MATCH_3}")
      math(EXPR d "${CMAKE_MATCH_4}")
      if(m LESS_EQUAL 2)
        math(EXPR y "${y} - 1")
      endif()
      math(EXPR era "${y} / 400")
      math(EXPR yoe "${y} - ${era} * 400")
      math(EXPR mp "(${m} + 9) % 12")
      math(EXPR doy "(153 * ${mp} + 2) / 5 + ${d} - 1")
      math(EXPR doe "${yoe} * 365 + ${yoe} / 4 - ${yoe} / 100 + ${doy}")
      math(EXPR seconds "((${era} * 146097 + ${doe} - 719468) * 86400) + 86399")
      set(saved $ENV{SOURCE_DATE_EPOCH})
      set(ENV{SOURCE_DATE_EPOCH} ${seconds})
      string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)
      set(ENV{SOURCE_DATE_EPOCH} ${saved})
      string(APPEND text "${PROJECT_NAME} (${version}) unstable; urgency=medium\n\n")
    elseif(version AND line MATCHES "^- (.*)")
      string(APPEND text "  * ${CMAKE_MATCH_1}\n")
    elseif(version AND line MATCHES "^  ([^ ].*)")
      string(APPEND text "    ${CMAKE_MATCH_1}\n")
    endif()
  endforeach()
  if(version)
    string(APPEND text "\n -- ${maintainer}  ${date}\n")
  endif()
  file(WRITE ${output} "${text}")
endfunction()

set(CPACK_PACKAGE_VENDOR "The Security Inventory developers")
set(CPACK_PACKAGE_CONTACT "${CPACK_PACKAGE_VENDOR} <security-inventory@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "questionnaire that scores your password and privacy habits")
set(CPACK_PACKAGE_DESCRIPTION [[
Security Inventory asks eight questions about password habits, privacy
habits and routine computer-security practice, turns the answers into a
score based on 100 and prints a verdict for it. It runs in a terminal and
reads its answers from standard input, so a file of answers can be piped in
and the transcript kept.]])
string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" CPACK_SYSTEM_NAME)
set(CPACK_PACKAGE_VERSION ${INVENTORY_VERSION})
set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${INVENTORY_VERSION}-${CPACK_SYSTEM_NAME})

# Components: the program (the static one for the Linux tarball), its
# manual page, the documents a Debian package carries, and the documents at
# the top of an archive. Each package carries the notice of the libraries
# linked into its program.
include(notices)
configure_file(${PROJECT_SOURCE_DIR}/man/security-inventory.1.in
  ${PROJECT_BINARY_DIR}/security-inventory.1 @ONLY)
if(WIN32)
  install(TARGETS security-inventory RUNTIME DESTINATION . COMPONENT program)
  # The manual page, rendered from its one source as text for Notepad.
  find_program(GROFF groff REQUIRED)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/security-inventory.txt
    COMMAND ${CMAKE_COMMAND} -DGROFF=${GROFF} -DINPUT=${PROJECT_BINARY_DIR}/security-inventory.1
      -DOUTPUT=${PROJECT_BINARY_DIR}/security-inventory.txt
      -P ${PROJECT_SOURCE_DIR}/cmake/render-manual.cmake
    DEPENDS ${PROJECT_BINARY_DIR}/security-inventory.1 ${PROJECT_SOURCE_DIR}/cmake/render-manual.cmake
    VERBATIM)
  add_custom_target(manual-text ALL DEPENDS ${PROJECT_BINARY_DIR}/security-inventory.txt)
  install(FILES ${PROJECT_BINARY_DIR}/security-inventory.txt DESTINATION . COMPONENT manual)
  # Windows users read them in Notepad, which wants CR LF line ends.
  configure_file(${PROJECT_SOURCE_DIR}/README.md ${PROJECT_BINARY_DIR}/README.md
    @ONLY NEWLINE_STYLE CRLF)
  inventory_notices(${PROJECT_BINARY_DIR}/THIRD-PARTY-NOTICES.txt "\r\n"
    libstdc++=libstdc++.a libgcc=libgcc.a "mingw-w64 runtime=libmingw32.a"
    winpthreads=libwinpthread.a libssp=libssp.a)
  install(FILES ${PROJECT_BINARY_DIR}/README.md ${PROJECT_BINARY_DIR}/THIRD-PARTY-NOTICES.txt
    DESTINATION . COMPONENT readme EXCLUDE_FROM_ALL)
  set(CPACK_GENERATOR ZIP)
else()
  install(TARGETS security-inventory RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)
  inventory_gzip(${PROJECT_BINARY_DIR}/security-inventory.1)
  install(FILES ${PROJECT_BINARY_DIR}/security-inventory.1.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT manual)

  inventory_debian_changelog(${PROJECT_SOURCE_DIR}/CHANGELOG.md ${PROJECT_BINARY_DIR}/changelog)
  inventory_gzip(${PROJECT_BINARY_DIR}/changelog)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${PROJECT_BINARY_DIR}/changelog.gz
    ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT doc)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION . COMPONENT readme EXCLUDE_FROM_ALL)
  if(INVENTORY_STATIC_PROGRAM)
    install(TARGETS security-inventory-static RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
      COMPONENT static-program EXCLUDE_FROM_ALL)
    # The Debian package's program links every library dynamically, but for
    # the helpers of libgcc.a that GCC links into every program; the static
    # one links everything in.
    inventory_notices(${PROJECT_BINARY_DIR}/deb/THIRD-PARTY-NOTICES "\n" libgcc=libgcc.a)
    install(FILES ${PROJECT_BINARY_DIR}/deb/THIRD-PARTY-NOTICES
      DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT doc EXCLUDE_FROM_ALL)
    inventory_notices(${PROJECT_BINARY_DIR}/static/THIRD-PARTY-NOTICES "\n"
      glibc=libc.a libstdc++=libstdc++.a libgcc=libgcc.a)
    install(FILES ${PROJECT_BINARY_DIR}/static/THIRD-PARTY-NOTICES
      DESTINATION . COMPONENT readme EXCLUDE_FROM_ALL)
  endif()
  set(CPACK_GENERATOR DEB TGZ)
  set(CPACK_STRIP_FILES ON)
endif()

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Debian's name for the architecture built for, which may not be this
# machine's: dpkg's own where the table has no row.
if(inventory_debian)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${inventory_debian})
endif()
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# What cpack, run apart, learns of the time and of each generator's parts.
configure_file(${PROJECT_SOURCE_DIR}/cmake/cpack-project.cmake.in
  ${PROJECT_BINARY_DIR}/cpack-project.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/cpack-project.cmake)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/release-files.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CPACK_PRE_BUILD_SCRIPTS})
set(CPACK_PACKAGE_CHECKSUM SHA256)
include(CPack)
