#include "inventory/answers.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "inventory/catalogue.hpp"
#include "inventory/io.hpp"

namespace inventory {
namespace {

constexpr float largest = std::numeric_limits<float>::max();

// Every reader must give the same result whether the input comes at once or
// a few bytes at a time, as a terminal or a pipe may deliver it.
constexpr std::size_t chunk_sizes[] = {0, 1, 3};

struct Reading {
  Reading(std::string_view text, std::size_t chunk_size) : source(text, chunk_size) {}

  // What the next reader would find.
  std::string rest() {
    std::string text;
    for (std::string_view bytes = input.available(); !bytes.empty(); bytes = input.available()) {
      text.append(bytes);
      input.take(bytes.size());
    }
    return text;
  }

  StringSource source;
  StringSink sink;
  Output output{sink};
  Input input{source, output};
};

const Question& question(int number) {
  return lettered_questions()[static_cast<std::size_t>(number - 2)];
}

// Test names show the input, cut short when long.
void print_short(const std::string& text, std::ostream* os) {
  if (text.size() <= 24) {
    *os << testing::PrintToString(text);
  } else {
    *os << testing::PrintToString(text.substr(0, 16)) << "_and_" << text.size() - 16;
  }
}

struct CountCase {
  std::string text;
  std::optional<float> value;  // empty when the read must fail
  std::string rest;
  InputFailure failure = InputFailure::none;
};

void PrintTo(const CountCase& c, std::ostream* os) { print_short(c.text, os); }

class CountGrammar : public testing::TestWithParam<CountCase> {};

TEST_P(CountGrammar, ReadsOrFailsAndLeavesTheRest) {
  const CountCase& expected = GetParam();
  for (const std::size_t chunk_size : chunk_sizes) {
    SCOPED_TRACE(chunk_size);
    Reading reading{expected.text, chunk_size};
    float count = -7;
    const bool read = read_count(reading.input, count);
    EXPECT_EQ(read, expected.value.has_value());
    EXPECT_EQ(count, expected.value.value_or(-7));
    EXPECT_EQ(reading.input.failure(), expected.failure);
    if (read) {
      EXPECT_EQ(reading.rest(), expected.rest);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, CountGrammar,
    testing::Values(CountCase{"5", 5.0F, ""}, CountCase{"5.", 5.0F, ""}, CountCase{".5", 0.5F, ""},
                    CountCase{"-.5 x", -0.5F, " x"}, CountCase{"+7\n", 7.0F, "\n"},
                    CountCase{" \r\n\t\v\f10", 10.0F, ""}, CountCase{"12abc", 12.0F, "abc"},
                    CountCase{"1E2", 100.0F, ""}, CountCase{"2.5e-1", 0.25F, ""},
                    CountCase{"0x10", 0.0F, "x10"}, CountCase{"0.1", 0.1F, ""},
                    CountCase{"3e+0.5", 3.0F, ".5"}, CountCase{"1e+2", 100.0F, ""},
                    // The bytes on either side of the digits end a count.
                    CountCase{"9:", 9.0F, ":"}, CountCase{"9/", 9.0F, "/"},
                    CountCase{"0.9:", 0.9F, ":"}, CountCase{"1e9:", 1e9F, ":"},
                    CountCase{"1e9/", 1e9F, "/"}, CountCase{"25E-1", 2.5F, ""},
                    CountCase{"1e12", 1e12F, ""},
                    CountCase{"1" + std::string(120, '0') + "e-100", 1e20F, ""},
                    CountCase{std::string(1000, '0') + "12", 12.0F, ""},
                    // Leading zeros move no cut-off: the exponent brings these back.
                    CountCase{std::string(65, '0') + "5e-26", 5e-26F, ""},
                    CountCase{"0." + std::string(65, '0') + "5e66", 5.0F, ""},
                    // Beyond the single range the largest value is kept, sign and all.
                    CountCase{"1e40", largest, ""}, CountCase{"-1e40", -largest, ""},
                    CountCase{"3.4028235e38", largest, ""}, CountCase{"3.4e38", 3.4e38F, ""},
                    CountCase{"-3.4e38", -3.4e38F, ""}, CountCase{"3.5e38", largest, ""},
                    CountCase{"-3.5e38", -largest, ""},
                    // At the bottom: the smallest normal and subnormal values, and
                    // what rounds to zero below half the smallest subnormal.
                    CountCase{"1.1754944e-38", std::numeric_limits<float>::min(), ""},
                    CountCase{"-1.4e-45", -std::numeric_limits<float>::denorm_min(), ""},
                    CountCase{"7.1e-46", std::numeric_limits<float>::denorm_min(), ""},
                    CountCase{"7e-46", 0.0F, ""}, CountCase{"1e999999999999999", largest, ""},
                    CountCase{std::string(400, '9'), largest, ""}, CountCase{"1e-50", 0.0F, ""},
                    CountCase{"0." + std::string(1000, '0') + "1", 0.0F, ""},
                    // Rounded to double first: the double is exactly halfway between two
                    // floats and rounds to even, where a direct rounding would go up.
                    CountCase{"1.0000000596046447753906251", 1.0F, ""},
                    // Past the digits that are kept, a nonzero digit still tips a double
                    // halfway case upwards, and with it the float.
                    CountCase{"5.000000238418579545651709850062616169452667236328125", 5.0F, ""},
                    CountCase{"5.000000238418579545651709850062616169452667236328125" +
                                  std::string(900, '0') + "1",
                              std::nextafter(5.0F, 6.0F), ""},
                    CountCase{"5e", std::nullopt, "", InputFailure::not_a_number},
                    CountCase{"5e+", std::nullopt, "", InputFailure::not_a_number},
                    CountCase{"5E-x", std::nullopt, "", InputFailure::not_a_number},
                    CountCase{"+", std::nullopt, "", InputFailure::not_a_number},
                    CountCase{"- 5", std::nullopt, "", InputFailure::not_a_number},
                    CountCase{".", std::nullopt, "", InputFailure::not_a_number},
                    CountCase{".e5", std::nullopt, "", InputFailure::not_a_number},
                    CountCase{"inf", std::nullopt, "", InputFailure::not_a_number},
                    CountCase{"\xff"
                              "5",
                              std::nullopt, "", InputFailure::not_a_number},
                    CountCase{"", std::nullopt, "", InputFailure::end_of_input},
                    CountCase{" \r\n", std::nullopt, "", InputFailure::end_of_input}));

// A count longer than any buffer: its digits are made as they are read.
class LongCountSource final : public ByteSource {
 public:
  LongCountSource(std::size_t digits, std::string_view tail) : digits_(digits), tail_(tail) {}
  ReadResult read(char* buffer, std::size_t capacity) override {
    const std::size_t count = std::min(capacity, digits_ != 0 ? digits_ : tail_.size());
    if (digits_ != 0) {
      std::fill_n(buffer, count, '1');
      digits_ -= count;
    } else {
      tail_.copy(buffer, count);
      tail_.remove_prefix(count);
    }
    return {count, 0};
  }

 private:
  std::size_t digits_;
  std::string_view tail_;
};

TEST(CountGrammar, ScalesByEveryDigitHoweverManyComeBeforeTheExponent) {
  // 1.1 billion ones, and a ten-digit exponent that brings them back to
  // 1.1e9: every digit counts, and so does every digit of the exponent.
  LongCountSource source{1'100'000'000, "e-1099999990 x"};
  StringSink sink;
  Output output{sink};
  Input input{source, output};
  float count = 0;
  EXPECT_TRUE(read_count(input, count));
  EXPECT_EQ(count, 1111111111.1F);
}

TEST(CountGrammar, FailedInputStaysFailedForLaterReaders) {
  Reading reading{"x 5 a b", 0};
  float count = 3;
  EXPECT_FALSE(read_count(reading.input, count));
  EXPECT_FALSE(read_count(reading.input, count));
  EXPECT_EQ(count, 3.0F);
  EXPECT_EQ(read_choice(reading.input, 6), std::nullopt);
  EXPECT_EQ(read_word(reading.input, 7, nullptr), "");
  EXPECT_EQ(reading.input.failure(), InputFailure::not_a_number);
}

struct RatioCase {
  float accounts;
  float passwords;
  float score;
  bool capped;
};

void PrintTo(const RatioCase& c, std::ostream* os) { *os << c.accounts << " over " << c.passwords; }

class CountScoreTable : public testing::TestWithParam<RatioCase> {};

TEST_P(CountScoreTable, CapsAboveOnlyAndNeverLeavesTheFloatRange) {
  const RatioCase& expected = GetParam();
  const CountScore score = count_score(expected.accounts, expected.passwords);
  EXPECT_EQ(score.score, expected.score);
  EXPECT_EQ(score.capped, expected.capped);
}

INSTANTIATE_TEST_SUITE_P(Ratios, CountScoreTable,
                         testing::Values(RatioCase{10, 5, 40, false}, RatioCase{3, 3, 20, false},
                                         RatioCase{5, 1, 100, false}, RatioCase{40, 1, 100, true},
                                         RatioCase{3, -3, -20, false}, RatioCase{-3, -3, 20, false},
                                         RatioCase{0, 0, 0, false}, RatioCase{5, 0, 100, true},
                                         RatioCase{-5, 0, -largest, false},
                                         RatioCase{5, -0.0F, -largest, false},
                                         RatioCase{1e38F, 0.01F, 100, true},
                                         RatioCase{-1e38F, 0.01F, -largest, false},
                                         RatioCase{0, 1, 0, false}));

struct ChoiceCase {
  std::string text;
  int option_count;
  std::optional<int> choice;
  std::string rest;
};

void PrintTo(const ChoiceCase& c, std::ostream* os) { print_short(c.text, os); }

class ChoiceReader : public testing::TestWithParam<ChoiceCase> {};

TEST_P(ChoiceReader, DropsEverythingBeforeTheFirstAcceptedLetter) {
  const ChoiceCase& expected = GetParam();
  for (const std::size_t chunk_size : chunk_sizes) {
    SCOPED_TRACE(chunk_size);
    Reading reading{expected.text, chunk_size};
    EXPECT_EQ(read_choice(reading.input, expected.option_count), expected.choice);
    EXPECT_EQ(reading.rest(), expected.rest);
    EXPECT_TRUE(reading.sink.text().empty()) << "a dropped character must not be answered";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Letters, ChoiceReader,
    testing::Values(ChoiceCase{"x z b\n", 6, 1, "\n"}, ChoiceCase{"BC", 6, 1, "C"},
                    ChoiceCase{"f", 6, 5, ""}, ChoiceCase{"G g e", 5, 4, ""},
                    ChoiceCase{"\r\n\v\f a", 5, 0, ""},
                    ChoiceCase{std::string("\0\xff\x80\x1a[`{@", 8) + "c", 3, 2, ""},
                    ChoiceCase{"g h z", 6, std::nullopt, ""}, ChoiceCase{"", 7, std::nullopt, ""}));

struct WordCase {
  std::string text;
  std::size_t scan_length;
  std::string window;
  std::string word;  // what the echo writes
  std::string rest;
};

void PrintTo(const WordCase& c, std::ostream* os) { print_short(c.text, os); }

class WordReader : public testing::TestWithParam<WordCase> {};

TEST_P(WordReader, KeepsTheScanWindowAndEchoesTheWholeWord) {
  const WordCase& expected = GetParam();
  for (const std::size_t chunk_size : chunk_sizes) {
    SCOPED_TRACE(chunk_size);
    Reading reading{expected.text, chunk_size};
    EXPECT_EQ(read_word(reading.input, expected.scan_length, &reading.output), expected.window);
    EXPECT_EQ(reading.rest(), expected.rest);
    reading.output.flush();
    EXPECT_EQ(reading.sink.text(), expected.word);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Words, WordReader,
    testing::Values(WordCase{"  ADE next", 7, "ADE", "ADE", " next"},
                    WordCase{"CCCCCCCCCCC\r\n", 10, "CCCCCCCCCC", "CCCCCCCCCCC", "\r\n"},
                    WordCase{std::string("\xff\x00x\vy", 5), 16, std::string("\xff\x00x", 3),
                             std::string("\xff\x00x", 3), "\vy"},
                    WordCase{"last", 13, "last", "last", ""}, WordCase{" \n ", 7, "", "", ""},
                    WordCase{std::string(100000, 'q') + " z", 4, "qqqq", std::string(100000, 'q'),
                             " z"}));

struct ScoreCase {
  int question;
  std::string window;
  float score;
};

void PrintTo(const ScoreCase& c, std::ostream* os) { *os << c.question << ": " << c.window; }

class LetterListScore : public testing::TestWithParam<ScoreCase> {};

TEST_P(LetterListScore, AddsEachAcceptedLetterEachTime) {
  const ScoreCase& expected = GetParam();
  EXPECT_EQ(letter_list_score(expected.window, question(expected.question).weights),
            expected.score);
}

INSTANTIATE_TEST_SUITE_P(Weights, LetterListScore,
                         testing::Values(ScoreCase{3, "af", 9}, ScoreCase{3, "FA", 9},
                                         ScoreCase{3, "fff", 30}, ScoreCase{3, "H1?", 0},
                                         ScoreCase{3, "ABE", -4}, ScoreCase{4, "CG", 16},
                                         ScoreCase{4, "I", 0}, ScoreCase{4, "cdg", 24},
                                         ScoreCase{5, "CLP", 0}, ScoreCase{5, "ABEKO", -30},
                                         ScoreCase{5, "aDe", -10},
                                         ScoreCase{8, "abcdefghijklm", 68},
                                         ScoreCase{8, "ABHI", 30}, ScoreCase{8, "nop", 0}));

TEST(ClosingRead, TakesOneCharacterOfWhatIsLeft) {
  Reading reading{"\n\nABC X", 0};
  read_any_character(reading.input);
  EXPECT_EQ(reading.rest(), "BC X");
}

}  // namespace
}  // namespace inventory
