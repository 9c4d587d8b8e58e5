// Holding the process to its standard streams once it has started.
//
// The questionnaire reads untrusted bytes and only ever reads its input,
// writes its output and error streams and asks for memory. Should a fault in
// a reader ever be turned against it, the process can then open no file,
// reach no network and start no program. The run itself knows nothing of
// this, so that tests and the fuzzer drive it freely.
#pragma once

namespace inventory {

enum class Confinement {
  confined,      // the platform holds the process to its streams
  unavailable,   // the platform offers no confinement here; the run goes on
  instrumented,  // a build that links a sanitizer or coverage runtime in,
                 // or a run under valgrind: their runtimes need more of
                 // the system, so the process is left unconfined
  not_built,     // this build leaves it out: a packager's choice, a system
                 // that offers none, or a sanitizer or coverage preset
};

// Call once, before the first byte of input is read. Best effort: the
// output is the same byte for byte whatever it returns. A call outside the
// allowed ones fails with an error, except on OpenBSD, where it ends the
// process, and for a 32-bit call in a 64-bit Linux process, which ends it
// too. The error is EPERM on Linux; on FreeBSD, ECAPMODE for a request
// outside capability mode (opening a file, a socket) and ENOTCAPABLE for a
// request on a stream beyond the rights it keeps.
Confinement confine();

}  // namespace inventory
