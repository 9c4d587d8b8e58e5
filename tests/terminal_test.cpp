// Runs the built program on a pseudo-terminal, as a person at a terminal
// would: every prompt must be on the screen while the program waits for its
// answer, not only once it exits. Every wait is bounded, so a program that
// hangs fails the test instead of stalling the suite.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__APPLE__)
#include <util.h>
#elif defined(__FreeBSD__)
#include <libutil.h>
#else
#include <pty.h>
#endif

#include <chrono>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

#include "program.hpp"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto patience = std::chrono::seconds(10);

// Whether the terminal is left non-blocking, as a crashed or careless parent
// process may leave it for every process that shares it.
enum class Blocking { on, off };

class Terminal {
 public:
  explicit Terminal(Blocking blocking = Blocking::on) {
    child_ = forkpty(&master_, nullptr, nullptr, nullptr);
    if (child_ == 0) {
      // As a shell starts a foreground command: default signal actions.
      (void)signal(SIGINT, SIG_DFL);
      (void)signal(SIGPIPE, SIG_DFL);
      if (blocking == Blocking::off) {
        (void)fcntl(0, F_SETFL, fcntl(0, F_GETFL) | O_NONBLOCK);
      }
      execvp(program_command()[0], program_command().data());
      _exit(127);
    }
  }
  ~Terminal() {
    if (child_ > 0 && !exit_) {
      kill(child_, SIGKILL);
      waitpid(child_, nullptr, 0);
    }
    if (master_ >= 0) {
      close(master_);
    }
    if (program_end_ >= 0) {
      close(program_end_);
    }
  }
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;
  Terminal(Terminal&&) = delete;
  Terminal& operator=(Terminal&&) = delete;

  bool started() const { return child_ > 0; }

  void type(std::string_view keys) const {
    ASSERT_EQ(write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  }

  // Reads the screen until it ends with tail. False if it never does.
  bool shows_at_end(std::string_view tail) {
    const auto deadline = Clock::now() + patience;
    while (!screen_.ends_with(tail)) {
      if (Clock::now() > deadline || !read_some(deadline)) {
        return false;
      }
    }
    return true;
  }

  // Reads everything until the program has closed the terminal.
  std::string rest() {
    const std::size_t from = screen_.size();
    const auto deadline = Clock::now() + patience;
    while (Clock::now() < deadline && read_some(deadline)) {
    }
    return screen_.substr(from);
  }

  const std::string& screen() const { return screen_; }

  // Holds the program's end of the terminal open, so that what it leaves
  // unread stays queued after it ends and can be counted.
  void hold_program_end() { program_end_ = open(ptsname(master_), O_RDWR | O_NOCTTY); }
  int typed_ahead() const {
    int queued = -1;
    ioctl(program_end_, FIONREAD, &queued);
    return queued;
  }

  // The wait status once the program has ended, within the patience.
  std::optional<int> ended() {
    const auto deadline = Clock::now() + patience;
    while (!exit_ && Clock::now() < deadline) {
      int status = 0;
      if (waitpid(child_, &status, WNOHANG) == child_) {
        exit_ = status;
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    }
    return exit_;
  }

  // Waits until the program has read more input and is blocked again, or
  // has ended. True when it is alive and waiting.
  bool reads_and_waits_again(std::size_t bytes_read_before) {
    const auto deadline = Clock::now() + patience;
    while (Clock::now() < deadline) {
      if (bytes_read() > bytes_read_before && state() == 'S') {
        return true;
      }
      int status = 0;
      if (waitpid(child_, &status, WNOHANG) == child_) {
        exit_ = status;
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }

  // The bytes the program has read so far, as the kernel counts them.
  std::size_t bytes_read() const {
    std::ifstream io{"/proc/" + std::to_string(child_) + "/io"};
    std::string field;
    std::size_t value = 0;
    while (io >> field >> value) {
      if (field == "rchar:") {
        return value;
      }
    }
    return 0;
  }

 private:
  char state() const {
    std::ifstream stat{"/proc/" + std::to_string(child_) + "/stat"};
    std::string text{std::istreambuf_iterator<char>(stat), std::istreambuf_iterator<char>()};
    const std::size_t name_end = text.rfind(')');
    return name_end == std::string::npos || name_end + 2 >= text.size() ? '?' : text[name_end + 2];
  }

  bool read_some(Clock::time_point deadline) {
    pollfd ready{master_, POLLIN, 0};
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (poll(&ready, 1, static_cast<int>(std::max(left.count(), decltype(left.count()){0}))) <= 0) {
      return false;
    }
    char buffer[4096];
    const ssize_t count = read(master_, buffer, sizeof buffer);
    if (count <= 0) {
      return false;  // the program has closed the terminal
    }
    screen_.append(buffer, static_cast<std::size_t>(count));
    return true;
  }

  pid_t child_ = -1;
  int master_ = -1;
  int program_end_ = -1;
  std::string screen_;
  std::optional<int> exit_;
};

constexpr std::string_view choose_one = "\t    (Choose ONE letter answer.) ";
constexpr std::string_view choose_all = "\t    (Choose All letter answers that apply.) ";
constexpr std::string_view closing_prompt = "Type any key followed by 'Enter' to finish. ";
constexpr std::string_view all_answers = "10 5 c f cg c a e abhi\n";

TEST(Terminal, ShowsEveryPromptBeforeWaitingAndFinishesOnAKey) {
  Terminal terminal;
  ASSERT_TRUE(terminal.started());
  EXPECT_TRUE(terminal.shows_at_end("and so on) require passwords? "));
  terminal.type("10\n");
  EXPECT_TRUE(terminal.shows_at_end("How many unique passwords do you have in total? "));
  // The rest of the line answers question 2 without waiting.
  terminal.type("5 c\n");
  EXPECT_TRUE(terminal.shows_at_end(std::string("G.  Other\r\n") + std::string(choose_all)));
  terminal.type("f\n");
  EXPECT_TRUE(terminal.shows_at_end(std::string("save them\r\n") + std::string(choose_all)));
  // The echo stands on the line after the typed answer.
  terminal.type("cg\n");
  EXPECT_TRUE(terminal.shows_at_end(std::string("P.  Other\r\n") + std::string(choose_all)));
  EXPECT_NE(terminal.screen().find(std::string(choose_all) + "cg\r\ncg\r\n\r\n\t5."),
            std::string::npos);
  terminal.type("c\n");
  EXPECT_TRUE(terminal.shows_at_end(std::string("E.  Never\r\n") + std::string(choose_one)));
  terminal.type("a\n");
  EXPECT_TRUE(terminal.shows_at_end(std::string("question 6.\r\n") + std::string(choose_one)));
  terminal.type("e\n");
  EXPECT_TRUE(terminal.shows_at_end(std::string("M.  None\r\n") + std::string(choose_all)));
  terminal.type("abhi\n");
  EXPECT_TRUE(terminal.shows_at_end(closing_prompt));
  EXPECT_NE(terminal.screen().find("Your Score based on 100: 94\r\n"), std::string::npos);
  terminal.type("k\n");
  EXPECT_EQ(terminal.ended(), std::optional<int>(0)) << "not a plain exit with status 0";
}

TEST(Terminal, ReadsEnterAloneAtTheClosingPromptAndWaitsOn) {
#ifndef __linux__
  GTEST_SKIP() << "telling a blocked read from a slow one needs Linux's /proc";
#endif
  Terminal terminal;
  ASSERT_TRUE(terminal.started());
  terminal.type(all_answers);
  ASSERT_TRUE(terminal.shows_at_end(closing_prompt));
  const std::size_t before_enter = terminal.bytes_read();
  terminal.type("\n");
  EXPECT_TRUE(terminal.reads_and_waits_again(before_enter)) << "the run ended on Enter alone";
  terminal.type("k\n");
  EXPECT_EQ(terminal.ended(), std::optional<int>(0));
}

// The program waits for typing all the same. Answers that end with Ctrl-D
// twice, and no Enter, end the input for good: the closing prompt does not
// wait again.
TEST(Terminal, WaitsAtANonBlockingTerminalAndEndsOnCtrlDTwice) {
  Terminal terminal{Blocking::off};
  ASSERT_TRUE(terminal.started());
  ASSERT_TRUE(terminal.shows_at_end("require passwords? "));
  terminal.type("10 5 c f cg c a e abhi");
  terminal.type("\x04\x04");
  EXPECT_TRUE(terminal.shows_at_end(closing_prompt));
  EXPECT_EQ(terminal.ended(), std::optional<int>(0)) << "not a plain exit with status 0";
}

// What was pasted beyond what the run read must not reach the shell after
// it, where each line would run as a command.
TEST(Terminal, LeavesNothingTypedAheadWhenItEnds) {
  const struct {
    const char* paste;
    int status;
  } cases[] = {
      {"1O 5\nc\nf\ncg\nc\na\ne\nabhi\nx\necho LEAKED\n", 1},  // a typo at question 1
      {"10 5 c f cg c a e abhi\nx\necho LEAKED\n", 0},
  };
  for (const auto& expected : cases) {
    SCOPED_TRACE(expected.paste);
    Terminal terminal;
    ASSERT_TRUE(terminal.started());
    terminal.hold_program_end();
    ASSERT_TRUE(terminal.shows_at_end("require passwords? "));
    terminal.type(expected.paste);
    const std::optional<int> status = terminal.ended();
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == expected.status);
    EXPECT_EQ(terminal.typed_ahead(), 0);
  }
}

TEST(Terminal, CtrlCEndsTheRunAtOnceWithNothingOfItsOwn) {
  Terminal terminal;
  ASSERT_TRUE(terminal.started());
  ASSERT_TRUE(terminal.shows_at_end("require passwords? "));
  terminal.type("\x03");
  const std::optional<int> status = terminal.ended();
  ASSERT_TRUE(status.has_value());
  EXPECT_TRUE(WIFSIGNALED(*status) && WTERMSIG(*status) == SIGINT);
  std::string after = terminal.rest();
  // The terminal's own echo of the key is not the program's output.
  if (after.starts_with("^C")) {
    after.erase(0, 2);
  }
  EXPECT_EQ(after, "");
}

TEST(Terminal, CtrlDAtASingleChoiceQuestionStopsTheRun) {
  Terminal terminal;
  ASSERT_TRUE(terminal.started());
  terminal.type("10 5\n");
  ASSERT_TRUE(terminal.shows_at_end(choose_one));
  terminal.type("\x04");
  // The message starts a line of its own, not the prompt's.
  EXPECT_EQ(terminal.rest(),
            "\r\nsecurity-inventory: question 2: input ended before an answer\r\n");
  const std::optional<int> status = terminal.ended();
  ASSERT_TRUE(status.has_value());
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 1);
}

}  // namespace
