// security-inventory: an interactive questionnaire on password, privacy and
// computer-security habits, scored on 100.
//
// Exit status:
//   0  the questionnaire was completed and all of its output was written
//   1  the run stopped early: a single-choice question met ended input or an
//      unreadable count, or standard input or output failed; standard error
//      says which
#include "app/confinement.hpp"
#include "inventory/io.hpp"
#include "inventory/run.hpp"

int main() {
  // Before the first untrusted byte is read. Where the platform offers no
  // confinement the run is the same, unconfined.
  (void)inventory::confine();
  inventory::FileSource input{inventory::StandardStream::input};
  inventory::FileSink output{inventory::StandardStream::output};
  inventory::FileSink errors{inventory::StandardStream::error};
  const int status = inventory::run(input, output, errors);
  input.discard_typeahead();
  return status;
}
