// The questionnaire's fixed content: what each question says, what kind of
// answer it takes and what each option letter is worth. Constant data only;
// the run decides how it is presented.
#pragma once

#include <array>
#include <cfloat>
#include <cstddef>
#include <span>
#include <string_view>

namespace inventory {

enum class AnswerKind {
  single_choice,  // one letter
  letter_list,    // a word of letters, each adding its weight
};

// Whether the answer is written back to the output once it is read.
enum class Echo { none, answer };

struct Question {
  int number;  // as shown, and the score slot it fills
  AnswerKind kind;
  Echo echo;
  // The question's text lines, then its option lines; each is followed by a line end.
  std::span<const std::string_view> lines;
  // One weight per option letter, from A on; the letters form a contiguous run.
  std::span<const int> weights;

  int option_count() const { return static_cast<int>(weights.size()); }
  // How many leading characters of a letter-list answer are examined.
  std::size_t scan_length() const { return weights.size(); }
};

// Question 1 asks for two counts instead of letters.
struct CountQuestion {
  std::string_view text;              // followed by a line end
  std::string_view accounts_prompt;   // answered with the account count
  std::string_view passwords_prompt;  // answered with the unique-password count
};

inline constexpr CountQuestion count_question{
    "\t1a. How many of your Internet accounts (for e-mail, chat",
    "\t    rooms, banking sites, and so on) require passwords? ",
    "\t1b. How many unique passwords do you have in total? ",
};

// Slot n holds the score of question n, 1 to 8; slot 0 is never assigned
// but is summed with the rest.
using ScoreSlots = std::array<float, 9>;

// Every sum of scores is rounded to single precision at each step. A build
// that keeps floats in wider registers between steps (x87 math) would print
// another score, so it does not build at all.
#if FLT_EVAL_METHOD != 0
#error "floats must be evaluated in single precision: on 32-bit x86, build with -msse2 -mfpmath=sse"
#endif

// Questions 2 to 8, in the order they are asked.
std::span<const Question> lettered_questions();

// The line that asks for the answer; the answer is typed on the same line.
std::string_view instruction(AnswerKind kind);

}  // namespace inventory
