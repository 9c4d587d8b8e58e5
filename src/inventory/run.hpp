// The questionnaire from its opening lines to its closing prompt.
#pragma once

#include "inventory/io.hpp"

namespace inventory {

// Exit statuses of a run.
enum ExitStatus : int {
  // The run reached its end and everything it wrote reached the output.
  exit_completed = 0,
  // The run stopped: a single-choice question met ended or failed input, or
  // the input or the output failed. One line on the error sink says why.
  exit_stopped = 1,
};

// Asks the eight questions on sink, reads the answers from source and writes
// the score report. Diagnostics go to errors. Returns an ExitStatus.
int run(ByteSource& source, ByteSink& sink, ByteSink& errors);

}  // namespace inventory
