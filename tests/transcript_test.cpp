// Runs the built program as a user would, with an answer file on standard
// input, and compares every byte of its output, its diagnostics and its exit
// status. The answer files are tests/transcripts/NAME.in.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "program.hpp"

// glibc's <unistd.h> declares it; macOS's does not.
extern "C" char** environ;  // NOLINT(readability-redundant-declaration)

namespace {

const std::string transcript_dir = test_file("transcripts", TRANSCRIPT_DIR) + "/";

std::string read_file(const std::string& path) {
  std::ifstream file{path, std::ios::binary};
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// What standard input and output are connected to. A slow pipe is
// O_NONBLOCK at the program's end, as a parent process may leave it, and is
// fed or drained a piece at a time, so that the program finds it empty or
// full.
enum class InputEnd { answer_file, endless_zeros, closed, directory, write_only, slow_pipe };
// An output that takes nothing answers each write with 0 bytes written.
enum class OutputEnd { file, full_disk, closed, vanished_reader, slow_pipe, taking_nothing };

void feed_slowly(int descriptor, const std::string& text) {
  // A program that ends early must fail its test, not end the suite.
  (void)signal(SIGPIPE, SIG_IGN);
  for (std::string_view rest = text; !rest.empty();) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const ssize_t count = write(descriptor, rest.data(), std::min<std::size_t>(rest.size(), 65536));
    if (count <= 0) {
      break;
    }
    rest.remove_prefix(static_cast<std::size_t>(count));
  }
  close(descriptor);
}

std::string drain_slowly(int descriptor) {
  std::string text;
  char buffer[4096];
  for (ssize_t count = 1; count > 0;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    count = read(descriptor, buffer, sizeof buffer);
    text.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(count, 0)));
  }
  close(descriptor);
  return text;
}

void give_pipe_end(posix_spawn_file_actions_t& actions, int (&ends)[2], int program_end,
                   int stream) {
  EXPECT_EQ(pipe(ends), 0);
  EXPECT_NE(fcntl(ends[program_end], F_SETFL, O_NONBLOCK), -1);
  posix_spawn_file_actions_adddup2(&actions, ends[program_end], stream);
  posix_spawn_file_actions_addclose(&actions, ends[0]);
  posix_spawn_file_actions_addclose(&actions, ends[1]);
}

struct Result {
  std::string output;
  std::string errors;
  int status = -1;  // the exit status, or -1 when a signal ended the program
  int signal = 0;
};

Result run_program(const std::string& answers_path, InputEnd input_end, OutputEnd output_end) {
  const std::string base = testing::TempDir() + "transcript." + std::to_string(getpid());
  const std::string output_path = base + ".out";
  const std::string errors_path = base + ".err";

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  int input_pipe[2] = {-1, -1};
  int output_pipe[2] = {-1, -1};
  switch (input_end) {
    case InputEnd::answer_file:
      posix_spawn_file_actions_addopen(&actions, 0, answers_path.c_str(), O_RDONLY, 0);
      break;
    case InputEnd::endless_zeros:
      posix_spawn_file_actions_addopen(&actions, 0, "/dev/zero", O_RDONLY, 0);
      break;
    case InputEnd::closed:
      posix_spawn_file_actions_addclose(&actions, 0);
      break;
    case InputEnd::directory:
      posix_spawn_file_actions_addopen(&actions, 0, transcript_dir.c_str(), O_RDONLY, 0);
      break;
    case InputEnd::write_only:
      posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_WRONLY, 0);
      break;
    case InputEnd::slow_pipe:
      give_pipe_end(actions, input_pipe, 0, 0);
      break;
  }
  int pipe_ends[2] = {-1, -1};
  switch (output_end) {
    case OutputEnd::file:
    case OutputEnd::taking_nothing:
      posix_spawn_file_actions_addopen(&actions, 1, output_path.c_str(),
                                       O_WRONLY | O_CREAT | O_TRUNC, 0600);
      break;
    case OutputEnd::full_disk:
      posix_spawn_file_actions_addopen(&actions, 1, "/dev/full", O_WRONLY, 0);
      break;
    case OutputEnd::closed:
      posix_spawn_file_actions_addclose(&actions, 1);
      break;
    case OutputEnd::vanished_reader:
      // The reading end is closed before the program writes a byte.
      EXPECT_EQ(pipe(pipe_ends), 0);
      posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], 1);
      posix_spawn_file_actions_addclose(&actions, pipe_ends[0]);
      close(pipe_ends[0]);
      break;
    case OutputEnd::slow_pipe:
      give_pipe_end(actions, output_pipe, 1, 1);
      break;
  }
  posix_spawn_file_actions_addopen(&actions, 2, errors_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  // Whatever the test runner ignores, the program starts with the default actions.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

  std::vector<char*> environment;
  for (char** setting = environ; *setting != nullptr; ++setting) {
    environment.push_back(*setting);
  }
#ifdef WRITE_NOTHING_PATH
  std::string preload = "LD_PRELOAD=" + test_file("libwrite_nothing.so", WRITE_NOTHING_PATH);
  if (output_end == OutputEnd::taking_nothing) {
    environment.push_back(preload.data());
  }
#endif
  environment.push_back(nullptr);

  const auto command = program_command();
  pid_t child = 0;
  Result result;
  const bool spawned = posix_spawnp(&child, command[0], &actions, &attributes, command.data(),
                                    environment.data()) == 0;
  std::thread feeder;
  std::thread drainer;
  if (input_end == InputEnd::slow_pipe) {
    close(input_pipe[0]);
    feeder = std::thread(feed_slowly, input_pipe[1], read_file(answers_path));
  }
  if (output_end == OutputEnd::slow_pipe) {
    close(output_pipe[1]);
    drainer =
        std::thread([&result, &output_pipe] { result.output = drain_slowly(output_pipe[0]); });
  }
  if (spawned) {
    // A program that hangs fails the test instead of stalling the suite.
    int wait_status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (waitpid(child, &wait_status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        ADD_FAILURE() << "the program did not end";
        kill(child, SIGKILL);
        waitpid(child, &wait_status, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (WIFEXITED(wait_status)) {
      result.status = WEXITSTATUS(wait_status);
    } else if (WIFSIGNALED(wait_status)) {
      result.signal = WTERMSIG(wait_status);
    }
  }
  if (pipe_ends[1] >= 0) {
    close(pipe_ends[1]);
  }
  for (std::thread* helper : {&feeder, &drainer}) {
    if (helper->joinable()) {
      helper->join();
    }
  }
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (output_end == OutputEnd::file) {
    result.output = read_file(output_path);
  }
  result.errors = read_file(errors_path);
  return result;
}

struct TranscriptCase {
  const char* name;        // answers in NAME.in
  const char* transcript;  // the output expected, in TRANSCRIPT.out
  int status;
  const char* errors;
};

void PrintTo(const TranscriptCase& transcript_case, std::ostream* stream) {
  *stream << transcript_case.name;
}

class Transcript : public testing::TestWithParam<TranscriptCase> {};

TEST_P(Transcript, MatchesToTheByte) {
  const TranscriptCase& expected = GetParam();
  const Result result =
      run_program(transcript_dir + expected.name + ".in", InputEnd::answer_file, OutputEnd::file);
  EXPECT_EQ(result.output, read_file(transcript_dir + expected.transcript + ".out"));
  EXPECT_EQ(result.status, expected.status);
  EXPECT_EQ(result.errors, expected.errors);
}

constexpr const char* input_ended_at_2 =
    "security-inventory: question 2: input ended before an answer\n";

INSTANTIATE_TEST_SUITE_P(
    Program, Transcript,
    testing::Values(
        TranscriptCase{"a_line_per_answer", "score_94", 0, ""},
        // One line answers as many questions as it holds answers for.
        TranscriptCase{"answers_on_one_line", "score_94", 0, ""},
        TranscriptCase{"windows_line_ends", "score_94", 0, ""},
        TranscriptCase{"dropped_letters_and_a_long_echo", "score_94_long_echo", 0, ""},
        TranscriptCase{"hostile_bytes", "score_94_hostile_echo", 0, ""},
        TranscriptCase{"serious_risk", "score_15_5", 0, ""},
        TranscriptCase{"capped_ratio_and_closing_word", "score_75_5_two_bands", 0, ""},
        TranscriptCase{"beyond_every_band", "score_158_5", 0, ""},
        // Counts past the single range are held at its largest value: 20 per password.
        TranscriptCase{"counts_beyond_single_range", "score_84", 0, ""},
        TranscriptCase{"no_input", "stopped_at_question_2", 1, input_ended_at_2},
        TranscriptCase{
            "count_not_a_number", "stopped_at_question_2", 1,
            "security-inventory: question 2: no answer can be read, as a count was not a "
            "number\n"},
        TranscriptCase{"input_ends_before_question_6", "stopped_at_question_6", 1,
                       "security-inventory: question 6: input ended before an answer\n"},
        TranscriptCase{"input_ends_after_question_7", "ended_after_question_7", 0, ""}),
    [](const testing::TestParamInfo<TranscriptCase>& param_info) { return param_info.param.name; });

// The README's one-line example gives the score and verdict it says.
TEST(Program, GivesTheReadmeExampleItsScoreAndVerdict) {
  const Result result = run_program(test_file("readme_example.in", README_EXAMPLE),
                                    InputEnd::answer_file, OutputEnd::file);
  EXPECT_EQ(result.status, 0);
  EXPECT_NE(result.output.find("Your Score based on 100: " README_SCORE "\n"), std::string::npos);
  EXPECT_NE(result.output.find(README_VERDICT), std::string::npos) << README_VERDICT;
}

TEST(Program, TakesClosedInputAsEndedInput) {
  const Result result = run_program("", InputEnd::closed, OutputEnd::file);
  EXPECT_EQ(result.output, read_file(transcript_dir + "stopped_at_question_2.out"));
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.errors, input_ended_at_2);
}

TEST(Program, StopsWhenInputCannotBeRead) {
  const struct {
    InputEnd input_end;
    const char* error;
  } cases[] = {
      {InputEnd::directory, "security-inventory: read error: Is a directory\n"},
      // Open, but not for reading: no end of input.
      {InputEnd::write_only, "security-inventory: read error: Bad file descriptor\n"},
  };
  for (const auto& expected : cases) {
    const Result result = run_program("", expected.input_end, OutputEnd::file);
    EXPECT_TRUE(result.output.ends_with("in total?  \n\n"));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.errors, expected.error);
  }
}

TEST(Program, WaitsOutNonBlockingPipes) {
  // Question 4 echoes a word far longer than a pipe holds.
  const std::string answers_path = testing::TempDir() + "long_echo." + std::to_string(getpid());
  std::ofstream{answers_path, std::ios::binary}
      << "10 5 c f " << std::string(std::size_t{1} << 20, 'C') << " c a e abhi x\n";
  const Result expected = run_program(answers_path, InputEnd::answer_file, OutputEnd::file);
  const Result result = run_program(answers_path, InputEnd::slow_pipe, OutputEnd::slow_pipe);
  EXPECT_EQ(expected.status, 0);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.errors, "");
  EXPECT_TRUE(result.output == expected.output)
      << "a transcript of " << result.output.size() << " bytes, not " << expected.output.size();
}

struct OutputFaultCase {
  const char* name;
  InputEnd input_end;
  OutputEnd output_end;
  int status;
  int signal;
  const char* errors;
};

void PrintTo(const OutputFaultCase& fault, std::ostream* stream) { *stream << fault.name; }

class OutputFault : public testing::TestWithParam<OutputFaultCase> {};

TEST_P(OutputFault, IsNeverReportedAsSuccess) {
  const OutputFaultCase& expected = GetParam();
  if (expected.output_end == OutputEnd::full_disk && access("/dev/full", W_OK) != 0) {
    GTEST_SKIP() << "this system has no /dev/full";
  }
  const Result result =
      run_program(transcript_dir + "a_line_per_answer.in", expected.input_end, expected.output_end);
  EXPECT_EQ(result.status, expected.status);
  EXPECT_EQ(result.signal, expected.signal);
  EXPECT_EQ(result.errors, expected.errors);
}

const OutputFaultCase output_faults[] = {
    {"full_disk", InputEnd::answer_file, OutputEnd::full_disk, 1, 0,
     "security-inventory: write error: No space left on device\n"},
    // Nothing can be written, so nothing more is read of an input that never ends.
    {"full_disk_endless_input", InputEnd::endless_zeros, OutputEnd::full_disk, 1, 0,
     "security-inventory: write error: No space left on device\n"},
    {"closed_output", InputEnd::answer_file, OutputEnd::closed, 1, 0,
     "security-inventory: write error: Bad file descriptor\n"},
#ifdef WRITE_NOTHING_PATH
    // Never a spin: a write that takes nothing is a failed one.
    {"taking_nothing", InputEnd::answer_file, OutputEnd::taking_nothing, 1, 0,
     "security-inventory: write error: No space left on device\n"},
#endif
    // As with Ctrl-C, the platform's default action ends the program.
    {"vanished_reader", InputEnd::answer_file, OutputEnd::vanished_reader, -1, SIGPIPE, ""},
};

INSTANTIATE_TEST_SUITE_P(Program, OutputFault, testing::ValuesIn(output_faults),
                         [](const testing::TestParamInfo<OutputFaultCase>& param_info) {
                           return param_info.param.name;
                         });

}  // namespace
