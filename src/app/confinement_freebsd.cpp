// FreeBSD: capability mode, as FreeBSD's base utilities enter it.
#include <capsicum_helpers.h>

#include "app/confinement.hpp"

namespace inventory {

// The standard streams keep only the rights that reading and writing them
// need.
Confinement confine() {
  if (caph_limit_stdio() < 0 || caph_enter() < 0) {
    return Confinement::unavailable;
  }
  return Confinement::confined;
}

}  // namespace inventory
