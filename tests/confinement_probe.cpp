// Preloaded into a dynamically linked program by check-confinement. At the
// program's first read of its standard input, which comes after it has
// confined itself, it tries to open a file and says on standard error
// whether the filter refused it.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

using Read = ssize_t (*)(int, void*, size_t);

// Found before main, while the loader may still open what it needs.
Read real_read = nullptr;
[[gnu::constructor]] void find_read() {
  real_read = reinterpret_cast<Read>(dlsym(RTLD_NEXT, "read"));
}

}  // namespace

// The C library's declaration names the parameters with reserved names.
// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name)
extern "C" ssize_t read(int descriptor, void* buffer, size_t size) {
  static bool tried = false;
  if (descriptor == 0 && !tried) {
    tried = true;
    const bool refused = open("/", O_RDONLY) < 0 && errno == EPERM;
    const char* const said =
        refused ? "confinement probe: open refused\n" : "confinement probe: open allowed\n";
    (void)write(2, said, std::strlen(said));
  }
  return real_read(descriptor, buffer, size);
}
