// Runs the built program with an answer file on standard input and compares
// every byte of its output, its diagnostics and its exit status.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>

extern char** environ;

namespace {

struct Result {
  std::string output;
  std::string errors;
  int status = -1;
};

std::string read_file(const std::string& path) {
  std::ifstream file{path, std::ios::binary};
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

Result run_program(const std::string& input) {
  const std::string base = testing::TempDir() + "transcript." + std::to_string(getpid());
  const std::string input_path = base + ".in";
  const std::string output_path = base + ".out";
  const std::string errors_path = base + ".err";
  std::ofstream{input_path, std::ios::binary} << input;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, input_path.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, output_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_addopen(&actions, 2, errors_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  char program[] = PROGRAM_PATH;
  char* const arguments[] = {program, nullptr};
  pid_t child = 0;
  Result result;
  if (posix_spawn(&child, program, &actions, nullptr, arguments, environ) == 0) {
    int wait_status = 0;
    waitpid(child, &wait_status, 0);
    result.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  result.output = read_file(output_path);
  result.errors = read_file(errors_path);
  return result;
}

struct TranscriptCase {
  const char* name;
  std::string input;
  const char* transcript;  // the expected output, in transcripts/NAME.out
  int status;
  const char* errors;
};

void PrintTo(const TranscriptCase& transcript_case, std::ostream* stream) {
  *stream << transcript_case.name;
}

class Transcript : public testing::TestWithParam<TranscriptCase> {};

TEST_P(Transcript, MatchesToTheByte) {
  const TranscriptCase& expected = GetParam();
  const Result result = run_program(expected.input);
  EXPECT_EQ(result.output,
            read_file(std::string(TRANSCRIPT_DIR "/") + expected.transcript + ".out"));
  EXPECT_EQ(result.status, expected.status);
  EXPECT_EQ(result.errors, expected.errors);
}

constexpr const char* no_answer_2 =
    "security-inventory: question 2: input ended before an answer\n";

INSTANTIATE_TEST_SUITE_P(
    Program, Transcript,
    testing::Values(
        TranscriptCase{"a_line_per_answer", "10\n5\nc\nf\ncg\nc\na\ne\nabhi\nx\n", "score_94", 0,
                       ""},
        // One line answers as many questions as it holds answers for.
        TranscriptCase{"answers_on_one_line", "10 5 c f cg c a e abhi x\n", "score_94", 0, ""},
        TranscriptCase{"windows_line_ends",
                       "10\r\n5\r\nc\r\nf\r\ncg\r\nc\r\na\r\ne\r\nabhi\r\nx\r\n", "score_94", 0,
                       ""},
        TranscriptCase{"dropped_letters_and_a_long_echo",
                       "10 5\nx z c\nf\ncgzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz\nc\na\ne\nabhi\nx\n",
                       "score_94_long_echo", 0, ""},
        TranscriptCase{"serious_risk", "3\n3\nF\nABE\nAB\nABEKO\nE\nA\nM\nq\n", "score_15_5", 0,
                       ""},
        TranscriptCase{"beyond_every_band", "40\n1\na\nff\ncdg\np\na\nf\nabcdefghijkl\nx\n",
                       "score_158_5", 0, ""},
        TranscriptCase{"no_input", "", "stopped_at_question_2", 1, no_answer_2},
        TranscriptCase{
            "count_not_a_number", "ten\n", "stopped_at_question_2", 1,
            "security-inventory: question 2: no answer can be read, as a count was not a "
            "number\n"},
        TranscriptCase{"input_ends_before_question_6", "10 5 c f cg c\n", "stopped_at_question_6",
                       1, "security-inventory: question 6: input ended before an answer\n"},
        TranscriptCase{"input_ends_after_question_7", "10 5 c f cg c a e\n",
                       "ended_after_question_7", 0, ""}),
    [](const testing::TestParamInfo<TranscriptCase>& param_info) { return param_info.param.name; });

}  // namespace
