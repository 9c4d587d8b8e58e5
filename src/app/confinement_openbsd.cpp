// OpenBSD: pledge, as OpenBSD's base utilities make it.
#include <unistd.h>

#include "app/confinement.hpp"

namespace inventory {

// "tty" beside "stdio" lets the typeahead left at a terminal be dropped at
// the end: under "stdio" alone that request would end the process.
Confinement confine() {
  if (::pledge("stdio tty", nullptr) != 0) {
    return Confinement::unavailable;
  }
  return Confinement::confined;
}

}  // namespace inventory
