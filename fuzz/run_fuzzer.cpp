// Drives whole runs from arbitrary bytes and checks what must hold for any
// input: the opening comes first, the run either completes or stops at a
// single-choice question, no score is ever NaN or infinite, and the input's
// arrival in pieces changes nothing.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "inventory/io.hpp"
#include "inventory/run.hpp"

namespace {

void require(bool holds, const char* what) {
  if (!holds) {
    (void)std::fprintf(stderr, "run_fuzzer: %s\n", what);
    std::abort();
  }
}

struct Transcript {
  std::string output;
  std::string errors;
  int status;
};

Transcript run_on(std::string_view input, std::size_t chunk_size) {
  inventory::StringSource source{input, chunk_size};
  inventory::StringSink output;
  inventory::StringSink errors;
  const int status = inventory::run(source, output, errors);
  return {output.text(), errors.text(), status};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input{reinterpret_cast<const char*>(data), size};
  const Transcript whole = run_on(input, 0);
  const std::string_view output = whole.output;

  require(output.starts_with("0\n\n"), "the output does not open with the ratio line");
  if (whole.status == inventory::exit_completed) {
    require(output.ends_with("\t\t  Type any key followed by 'Enter' to finish. "),
            "a completed run does not end with the closing prompt");
    require(whole.errors.empty(), "a completed run wrote a diagnostic");
    constexpr std::string_view score_label = "Your Score based on 100: ";
    const std::size_t label = output.rfind(score_label);
    require(label != std::string_view::npos, "a completed run has no score line");
    const std::string_view score = output.substr(
        label + score_label.size(), output.find('\n', label) - label - score_label.size());
    require(score.find_first_not_of("0123456789.e+-") == std::string_view::npos,
            "the score is not a finite number");
  } else {
    require(whole.status == inventory::exit_stopped, "an unknown exit status");
    require(output.ends_with("\t    (Choose ONE letter answer.) "),
            "a stopped run did not stop at a single-choice question");
    require(whole.errors.starts_with("security-inventory: question "),
            "a stopped run does not say where it stopped");
  }

  const Transcript piecewise = run_on(input, 1 + size % 7);
  require(piecewise.output == whole.output && piecewise.status == whole.status,
          "input that arrives in pieces gives another transcript");
  return 0;
}
