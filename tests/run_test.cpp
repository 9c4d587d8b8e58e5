#include "inventory/run.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "inventory/catalogue.hpp"
#include "inventory/io.hpp"

namespace inventory {
namespace {

struct Transcript {
  std::string output;
  std::string errors;
  int status;
};

Transcript run_on(ByteSource& source) {
  StringSink output;
  StringSink errors;
  const int status = run(source, output, errors);
  return {output.text(), errors.text(), status};
}

Transcript run_on(std::string_view input, std::size_t chunk_size = 0) {
  StringSource source{input, chunk_size};
  return run_on(source);
}

constexpr std::string_view choose_one = "\t    (Choose ONE letter answer.) ";
constexpr std::string_view passwords_prompt = "in total? ";

TEST(Run, WritesASpaceAfterQuestionOneUnlessTheRatioIsCapped) {
  const struct {
    const char* counts;
    const char* after_prompt;  // up to question 2's tab, or short of it by the space
  } cases[] = {
      {"10 5", " \n\n"},
      {"5 1", " \n\n"},
      {"40 1", "\n\n\t"},
      {"5 0", "\n\n\t"},
      {"-5 0", " \n\n"},
      {"0 0", " \n\n"},
      {"ten", " \n\n"},
      // A failed read keeps one unique password: 10 over 1 is capped.
      {"10", "\n\n\t"},
      // And no fewer: 2 over 1 is 40, which is not.
      {"2", " \n\n"},
  };
  for (const auto& expected : cases) {
    SCOPED_TRACE(expected.counts);
    const std::string output = run_on(expected.counts).output;
    const std::size_t prompt_end = output.find(passwords_prompt) + passwords_prompt.size();
    EXPECT_EQ(output.substr(prompt_end, 3), expected.after_prompt);
  }
}

// Every option of every lettered question, answered alone, moves the score
// by its weight. The weights are written out again here, so that a wrong one
// in the catalogue fails. In a letter list, the same letter just past the
// question's scan length (as many characters as it has options) moves it by
// nothing.
TEST(Run, ScoresEachOptionAnsweredAloneByItsWeight) {
  const struct {
    std::size_t question;
    std::vector<int> weights;
  } table[] = {
      {2, {10, 8, 5, 3, 1, -5}},
      {3, {-1, -1, -3, -2, -2, 10, 1}},
      {4, {-5, -10, 8, 8, -2, 2, 8, -10, 0, -1}},
      {5, {-5, -2, 0, -2, -3, -1, -1, -5, -3, -2, -10, 0, -10, -1, -10, 0}},
      {6, {10, 7, 5, 4, 0}},
      {7, {-5, -1, 0, 2, 2, 5, 0}},
      {8, {5, 5, 2, 2, 2, 5, 7, 10, 10, 10, 10, 5, -5}},
  };
  constexpr std::string_view score_label = "Your Score based on 100: ";
  for (const auto& row : table) {
    const bool letter_list = lettered_questions()[row.question - 2].kind == AnswerKind::letter_list;
    for (std::size_t option = 0; option < row.weights.size(); ++option) {
      const std::string letter(1, static_cast<char>((option % 2 == 0 ? 'A' : 'a') + option));
      const std::pair<std::string, int> moves[] = {
          {letter, row.weights[option]},
          {std::string(row.weights.size(), '.') + letter, 0},
      };
      for (const auto& [answer, move] : std::span(moves, letter_list ? 2 : 1)) {
        // Answers worth nothing, but question 2's E, which is worth 1.
        std::vector<std::string> answers = {"0 1", "e", "x", "x", "x", "e", "c", "x"};
        answers[row.question - 1] = answer;
        std::string input;
        for (const std::string& each : answers) {
          input += each + "\n";
        }
        SCOPED_TRACE(input);
        const std::string output = run_on(input).output;
        const std::size_t label = output.find(score_label);
        ASSERT_NE(label, std::string::npos);
        const float base = row.question == 2 ? 0 : 1;
        EXPECT_EQ(std::stof(output.substr(label + score_label.size())),
                  (75 + base + static_cast<float>(move)) * 0.5F);
      }
    }
  }
}

TEST(Run, GivesTheSameTranscriptWhateverPiecesTheInputComesIn) {
  const std::string input = "10\n5\nc\nf\ncg\nc\na\ne\nabhi\nx\n";
  const Transcript whole = run_on(input);
  EXPECT_EQ(whole.status, exit_completed);
  EXPECT_NE(whole.output.find("Your Score based on 100: 94\n"), std::string::npos);
  for (const std::size_t chunk_size : {std::size_t{1}, std::size_t{2}, std::size_t{5}}) {
    EXPECT_EQ(run_on(input, chunk_size).output, whole.output);
  }
}

TEST(Run, StopsAtASingleChoiceQuestionThatCanGetNoAnswer) {
  const struct {
    const char* input;
    const char* error;
  } cases[] = {
      {"", "security-inventory: question 2: input ended before an answer\n"},
      {"10 5 x y z", "security-inventory: question 2: input ended before an answer\n"},
      {"ten",
       "security-inventory: question 2: no answer can be read, as a count was not a number\n"},
      {"10 5e+ c",
       "security-inventory: question 2: no answer can be read, as a count was not a number\n"},
      {"10 5 c f cg c", "security-inventory: question 6: input ended before an answer\n"},
      {"10 5 c f cg c a", "security-inventory: question 7: input ended before an answer\n"},
  };
  for (const auto& expected : cases) {
    SCOPED_TRACE(expected.input);
    const Transcript transcript = run_on(expected.input);
    EXPECT_EQ(transcript.status, exit_stopped);
    EXPECT_EQ(transcript.errors, expected.error);
    EXPECT_TRUE(transcript.output.ends_with(choose_one));
  }
}

// Records what the output held each time the run asked for more input.
class PromptedSource final : public ByteSource {
 public:
  PromptedSource(std::vector<std::string> lines, const StringSink& output)
      : lines_(std::move(lines)), output_(output) {}

  ReadResult read(char* buffer, std::size_t capacity) override {
    seen_.push_back(output_.text());
    if (next_ == lines_.size()) {
      return {0, 0};
    }
    const std::string& line = lines_[next_++];
    const std::size_t count = std::min(capacity, line.size());
    line.copy(buffer, count);
    return {count, 0};
  }
  const std::vector<std::string>& seen() const { return seen_; }

 private:
  std::vector<std::string> lines_;
  std::size_t next_ = 0;
  const StringSink& output_;
  std::vector<std::string> seen_;
};

TEST(Run, PutsEveryPromptOutBeforeWaitingForItsAnswer) {
  StringSink output;
  StringSink errors;
  PromptedSource source{{"10\n", "5\n", "c\n", "f\n", "cg\n", "c\n", "a\n", "e\n", "abhi\n", "x\n"},
                        output};
  EXPECT_EQ(run(source, output, errors), exit_completed);
  const char* const prompts[] = {
      "require passwords? ", "in total? ",    "ONE letter answer.) ", "that apply.) ",
      "that apply.) ",       "that apply.) ", "ONE letter answer.) ", "ONE letter answer.) ",
      "that apply.) ",       "to finish. "};
  ASSERT_EQ(source.seen().size(), std::size(prompts));
  for (std::size_t read = 0; read < source.seen().size(); ++read) {
    EXPECT_TRUE(source.seen()[read].ends_with(prompts[read])) << "read " << read;
  }
}

// Gives answers that never end, counting how often it is asked.
class EndlessSource final : public ByteSource {
 public:
  explicit EndlessSource(std::string start) : start_(std::move(start)) {}
  ReadResult read(char* buffer, std::size_t capacity) override {
    ++reads;
    const std::string& text = reads == 1 ? start_ : endless_;
    const std::size_t count = std::min(capacity, text.size());
    text.copy(buffer, count);
    return {count, 0};
  }
  int reads = 0;

 private:
  std::string start_;
  std::string endless_ = std::string(4096, 'C');
};

// Accepts a number of bytes, then fails as a full disk does.
class FullSink final : public ByteSink {
 public:
  explicit FullSink(std::size_t room) : room_(room) {}
  int write(std::string_view data) override {
    if (data.size() > room_) {
      return ENOSPC;
    }
    room_ -= data.size();
    return 0;
  }

 private:
  std::size_t room_;
};

TEST(Run, StopsAtTheFirstFailedWriteAndSaysWhy) {
  // Room for nothing, for part of the banner, and for all up to a few
  // bytes into the echo of an endless answer at question 4.
  const std::size_t echo_start = run_on("10 5 c f cg").output.find("cg");
  for (const std::size_t room : {std::size_t{0}, std::size_t{100}, echo_start + 10}) {
    SCOPED_TRACE(room);
    EndlessSource source{"10 5 c f "};
    FullSink output{room};
    StringSink errors;
    EXPECT_EQ(run(source, output, errors), exit_stopped);
    EXPECT_EQ(errors.text(), "security-inventory: write error: No space left on device\n");
    EXPECT_LE(source.reads, 3) << "kept reading into a dead output";
  }
}

// Gives its text, then fails as a broken device does.
class BrokenSource final : public ByteSource {
 public:
  explicit BrokenSource(std::string_view text) : text_(text) {}
  ReadResult read(char* buffer, std::size_t capacity) override {
    if (text_.empty()) {
      return {0, EIO};
    }
    const std::size_t count = std::min(capacity, text_.size());
    text_.copy(buffer, count);
    text_.remove_prefix(count);
    return {count, 0};
  }

 private:
  std::string_view text_;
};

TEST(Run, StopsWhereInputCannotBeReadAndSaysWhy) {
  const struct {
    const char* input;
    const char* output_end;
  } cases[] = {
      {"", "in total?  \n\n"},
      {"10 5 ", "(Choose ONE letter answer.) "},
      {"10 5 c f cg c a e abhi ", "to finish. "},
  };
  for (const auto& expected : cases) {
    SCOPED_TRACE(expected.input);
    BrokenSource source{expected.input};
    const Transcript transcript = run_on(source);
    EXPECT_EQ(transcript.status, exit_stopped);
    EXPECT_EQ(transcript.errors, "security-inventory: read error: Input/output error\n");
    EXPECT_TRUE(transcript.output.ends_with(expected.output_end));
  }
}

}  // namespace
}  // namespace inventory
