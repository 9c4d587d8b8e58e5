// Reading answers from the input and turning them into question scores.
//
// The input is one stream of characters, not a dialogue of lines: a reader
// takes what it needs and leaves the rest, so one typed line may answer
// several questions. A line end is only whitespace.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "inventory/io.hpp"

namespace inventory {

// The option index of an ASCII letter (A and a are 0). The readers find
// letters with option_letters first, so nothing else reaches here.
constexpr int option_index(unsigned char letter) {
  return letter >= 'a' ? letter - 'a' : letter - 'A';
}

// A double narrowed to single precision, with values beyond the single
// range held at the largest single value of the same sign. A plain cast of
// such a value is undefined behaviour.
float to_single(double value);

// Reads one decimal number (sign, digits, point, exponent; no inf, nan or
// hex) into count. On failure count keeps its value, the input is marked
// failed and false is returned. Digits beyond any useful precision are
// counted but not stored, so a count may be arbitrarily long.
bool read_count(Input& input, float& count);

struct CountScore {
  float score;  // the ratio, capped at 100
  bool capped;  // the ratio was above 100
};

// Question 1: accounts per unique password, times 20, capped at 100 but not
// bounded below. Never a NaN or an infinity.
CountScore count_score(float accounts, float passwords);

// Reads characters until one names an option below option_count and returns
// its index. Everything before it is dropped silently. Empty when the input
// has ended or failed first.
std::optional<int> read_choice(Input& input, int option_count);

// Reads one whitespace-delimited word, of any length, and returns its first
// scan_length characters. The word is written to echo_to, whole, as it is
// read; it is never held in memory. An ended or failed input gives the
// empty word.
std::string read_word(Input& input, std::size_t scan_length, Output* echo_to);

// The sum of the weights of the option letters in window; any other
// character adds nothing, and a repeated letter adds each time.
float letter_list_score(std::string_view window, std::span<const int> weights);

// Skips whitespace and takes one character, whatever it is; nothing when
// the input has ended or failed.
void read_any_character(Input& input);

}  // namespace inventory
