# inventory_architecture(COLUMN VALUE) sets inventory_debian,
# inventory_uname, inventory_qemu_user,
# inventory_static_pie, inventory_suite, inventory_seccomp and
# inventory_packages from the row
# of architectures.txt whose COLUMN (one of those names, without the
# prefix) is VALUE, and leaves them unset where no row is.
function(inventory_architecture column value)
  set(names debian uname qemu_user static_pie suite seccomp packages)
  list(FIND names ${column} index)
  file(STRINGS ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/architectures.txt rows REGEX "^architecture ")
  foreach(row IN LISTS rows)
    string(REGEX REPLACE " +" ";" fields "${row}")
    list(POP_FRONT fields)
    list(GET fields ${index} found)
    if(found STREQUAL value)
      foreach(name field IN ZIP_LISTS names fields)
        set(inventory_${name} ${field} PARENT_SCOPE)
      endforeach()
    endif()
  endforeach()
endfunction()

# inventory_seccomp_architectures(VARIABLE) sets VARIABLE to DEBIAN=SECCOMP
# for every row: the filters that src/app/seccomp holds.
function(inventory_seccomp_architectures variable)
  file(STRINGS ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/architectures.txt rows REGEX "^architecture ")
  set(pairs "")
  foreach(row IN LISTS rows)
    string(REGEX REPLACE " +" ";" fields "${row}")
    list(GET fields 1 debian)
    list(GET fields 6 seccomp)
    list(APPEND pairs ${debian}=${seccomp})
  endforeach()
  set(${variable} ${pairs} PARENT_SCOPE)
endfunction()
