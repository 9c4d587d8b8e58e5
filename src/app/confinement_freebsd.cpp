// FreeBSD: capability mode, as FreeBSD's base utilities enter it.
#include <sys/capsicum.h>
#include <sys/filio.h>
#include <sys/ioctl.h>

#include <capsicum_helpers.h>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <iterator>

#include "app/confinement.hpp"

namespace inventory {

namespace {

// The input keeps what reading it needs. caph_limit_stdio would leave a
// terminal only TIOCGETA, TIOCGWINSZ and FIODTYPE, and dropping the
// typeahead at the end (tcflush) is TIOCFLUSH. A closed input has nothing
// to limit.
bool limit_input() {
  cap_rights_t rights;
  cap_rights_init(&rights, CAP_READ, CAP_EVENT, CAP_FCNTL, CAP_FSTAT, CAP_IOCTL, CAP_SEEK);
  const unsigned long requests[] = {TIOCGETA, TIOCGWINSZ, FIODTYPE, TIOCFLUSH};
  const bool limited = caph_rights_limit(STDIN_FILENO, &rights) == 0 &&
                       caph_ioctls_limit(STDIN_FILENO, requests, std::size(requests)) == 0 &&
                       caph_fcntls_limit(STDIN_FILENO, CAP_FCNTL_GETFL) == 0;
  return limited || errno == EBADF;
}

}  // namespace

// The output streams keep only what writing them needs. cap_enter, unlike
// caph_enter, fails where the kernel has no capability mode (ENOSYS), which
// is then no confinement.
Confinement confine() {
  if (!limit_input() || caph_limit_stream(STDOUT_FILENO, CAPH_WRITE | CAPH_IGNORE_EBADF) < 0 ||
      caph_limit_stream(STDERR_FILENO, CAPH_WRITE | CAPH_IGNORE_EBADF) < 0 || cap_enter() < 0) {
    return Confinement::unavailable;
  }
  return Confinement::confined;
}

}  // namespace inventory
