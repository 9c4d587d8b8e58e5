// A build without confinement: a system that offers none, the packagers'
// choice (INVENTORY_CONFINEMENT=OFF), or a build whose sanitizer or
// coverage runtime needs more of the system than the program does. The
// build says which.
#include "app/confinement.hpp"

#if !defined(INVENTORY_UNCONFINED_BECAUSE)
#define INVENTORY_UNCONFINED_BECAUSE not_built
#endif

namespace inventory {

Confinement confine() { return Confinement::INVENTORY_UNCONFINED_BECAUSE; }

}  // namespace inventory
