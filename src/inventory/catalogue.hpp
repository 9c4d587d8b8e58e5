// The questionnaire's fixed content: what each question says, what kind of
// answer it takes and what each option letter is worth. Constant data only;
// the run decides how it is presented.
//
// On purpose, though each looks like a mistake. People keep transcripts and
// answer files and compare them byte for byte with the questionnaire's
// established output, so every one of these stays as it is:
// - The texts keep their typos: "reponded" (question 7, G), "done in the?"
//   then "past year?" (question 5), "password manager on a PDA" without an
//   "a" (question 4, D), "study some of options" (the first verdict), and
//   the space that ends question 2's first line.
// - The output begins with a line holding 0: question 1's ratio, written at
//   its starting value before anything is asked.
// - After question 1b one space is written, unless the ratio was capped at
//   100.
// - Question 4 alone writes its answer back, so at a terminal it shows twice.
// - The credit line is two tabs and no text.
// - The score sums nine slots: slot 0 is never assigned and stays 0, but it
//   is added first, and every addition rounds to single precision.
// - The final score is (total + 75) times 0.5, worked in double precision
//   and rounded once to single, so every platform prints the same score.
// - The bands are tested on that exact score, strictly at both ends, each on
//   its own: a score between 25 and 26 gets two verdicts, so one printed as
//   26 may too; one of 0 or less, or of 101 or more, gets none, while one
//   printed as 101 may get the top band's "between 76 and 100".
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
