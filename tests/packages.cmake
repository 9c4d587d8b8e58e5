# A package build's tests of what it ships, on the packages that the
# fixture makes: -L release (check-package) and -L kernel (check-in-kernel).
add_test(NAME packages COMMAND ${CMAKE_CPACK_COMMAND} --config ${PROJECT_BINARY_DIR}/CPackConfig.cmake
  WORKING_DIRECTORY ${PROJECT_BINARY_DIR})
set_tests_properties(packages PROPERTIES FIXTURES_SETUP packages)
function(package_test label name)
  add_test(NAME ${label}_${name} COMMAND ${ARGN})
  set_tests_properties(${label}_${name} PROPERTIES LABELS ${label} FIXTURES_REQUIRED packages
    SKIP_RETURN_CODE 77 TIMEOUT 1500)
endfunction()
set(check ${CMAKE_CURRENT_LIST_DIR}/check-package)
package_test(release contents ${check} contents ${PROJECT_BINARY_DIR} ${INVENTORY_VERSION})
if(WIN32)
  package_test(release protections ${check} protections ${PROJECT_BINARY_DIR} ${INVENTORY_VERSION})
  # Compared with the Linux program of the package preset's build.
  add_executable(closed_input ${CMAKE_CURRENT_LIST_DIR}/closed_input.cpp)
  package_test(release wine ${check} wine ${PROJECT_BINARY_DIR} ${INVENTORY_VERSION}
    $<TARGET_FILE:closed_input> ${PROJECT_SOURCE_DIR}/build-package/security-inventory)
  return()
endif()
# The programs' protections are read before they are stripped and packed.
if(TEST check_hardening)
  set_tests_properties(check_hardening PROPERTIES LABELS release)
endif()
foreach(name lintian manual)
  package_test(release ${name} ${check} ${name} ${PROJECT_BINARY_DIR} ${INVENTORY_VERSION})
endforeach()
package_test(release answers ${check} answers ${PROJECT_BINARY_DIR} ${INVENTORY_VERSION} ${emulator})
# Where the programs run here with their seccomp; under qemu-user, which
# has none, the kernels prove it.
if(NOT emulator)
  package_test(release confinement ${check} confinement ${PROJECT_BINARY_DIR} ${INVENTORY_VERSION})
endif()
set(emulator_or_none -)
if(emulator)
  set(emulator_or_none ${emulator})
endif()
file(STRINGS ${PROJECT_SOURCE_DIR}/cmake/architectures.txt kernels REGEX "^kernel ${inventory_debian} ")
foreach(row IN LISTS kernels)
  string(REGEX REPLACE " +" ";" fields "${row}")
  list(SUBLIST fields 2 -1 fields)
  list(GET fields 0 kernel_arch)
  list(GET fields 1 flavour)
  package_test(kernel ${kernel_arch}_${flavour} ${CMAKE_CURRENT_LIST_DIR}/check-in-kernel
    ${PROJECT_BINARY_DIR} ${inventory_debian} ${INVENTORY_VERSION} ${emulator_or_none} ${fields})
endforeach()
