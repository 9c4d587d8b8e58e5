#include "inventory/scan.hpp"

#include <gtest/gtest.h>

#include <string>

namespace inventory {
namespace {

// The search looks at sixteen bytes at a time where it can. Every byte value,
// placed at every position around the block edges of buffers of every length
// up to a few blocks, must be found where a plain byte loop finds it.
TEST(FindFirst, AgreesWithAPlainLoopForEveryByteAtEveryPosition) {
  const ByteRanges sets[] = {whitespace, option_letters(1), option_letters(6), option_letters(16)};
  for (const ByteRanges& set : sets) {
    for (const Match match : {Match::inside, Match::outside}) {
      // A filler byte that the search passes over.
      const char filler = match == Match::inside ? '\x80' : static_cast<char>(set.first_a);
      for (std::size_t length = 0; length <= 50; ++length) {
        for (std::size_t position = 0; position < length; ++position) {
          for (int value = 0; value < 256; ++value) {
            std::string bytes(length, filler);
            bytes[position] = static_cast<char>(value);
            const bool stops =
                set.contains(static_cast<unsigned char>(value)) == (match == Match::inside);
            ASSERT_EQ(find_first(bytes, set, match), stops ? position : length)
                << "byte " << value << " at " << position << " of " << length;
          }
        }
      }
    }
  }
}

TEST(FindFirst, KnowsExactlyTheWhitespaceAndTheOptionLetters) {
  for (int value = 0; value < 256; ++value) {
    const auto byte = static_cast<unsigned char>(value);
    EXPECT_EQ(whitespace.contains(byte), value == ' ' || (value >= '\t' && value <= '\r'));
    EXPECT_EQ(option_letters(6).contains(byte),
              (value >= 'A' && value <= 'F') || (value >= 'a' && value <= 'f'));
  }
}

}  // namespace
}  // namespace inventory
