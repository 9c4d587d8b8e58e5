// Finding the first byte of a kind in a buffer, at the speed of memory.
//
// The readers pass over answers that may be gigabytes long: whitespace
// between answers, the characters a single-choice question drops, the word
// of a letter-list answer. Each of these is a search for the first byte in,
// or out of, a set made of two ranges of byte values. Where the processor
// has SSE2 (x86-64, and 32-bit x86, whose builds take SSE2 for their
// floats) it tests sixteen bytes at a time; on every other architecture it
// tests one byte at a time.
#pragma once

#include <cstddef>
#include <string_view>

namespace inventory {

// The byte values first_a .. first_a + count_a - 1 and first_b .. first_b +
// count_b - 1. Each count is at most 127.
struct ByteRanges {
  unsigned char first_a;
  unsigned char count_a;
  unsigned char first_b;
  unsigned char count_b;

  constexpr bool contains(unsigned char byte) const {
    return static_cast<unsigned char>(byte - first_a) < count_a ||
           static_cast<unsigned char>(byte - first_b) < count_b;
  }
};

// Space, and tab to carriage return: exactly the whitespace of the answers,
// whatever the locale says.
inline constexpr ByteRanges whitespace{' ', 1, '\t', 5};

// The letters of the first count options, in either case.
constexpr ByteRanges option_letters(int count) {
  return {'A', static_cast<unsigned char>(count), 'a', static_cast<unsigned char>(count)};
}

enum class Match { inside, outside };

// The position of the first byte that is inside (or outside) the ranges, or
// bytes.size() when there is none.
std::size_t find_first(std::string_view bytes, ByteRanges ranges, Match match);

}  // namespace inventory
