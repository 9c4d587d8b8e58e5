// Linked into the tests only where they are linked statically. GoogleTest
// can stream its results to a host named on its command line, which static
// glibc resolves only with the shared libraries of the glibc it was linked
// with, and the linker warns of that. These tests never stream, so the name
// service is left out: a name is never found.
#include <netdb.h>

extern "C" {

// NOLINTBEGIN(readability-inconsistent-declaration-parameter-name)
int getaddrinfo(const char* /*node*/, const char* /*service*/, const addrinfo* /*hints*/,
                addrinfo** /*result*/) {
  return EAI_FAIL;
}

void freeaddrinfo(addrinfo* /*result*/) {}
// NOLINTEND(readability-inconsistent-declaration-parameter-name)
}
