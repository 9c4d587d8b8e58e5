#include "inventory/catalogue.hpp"

#include <gtest/gtest.h>

#include <string>

namespace inventory {
namespace {

// Each option letter has exactly one line, in letter order, after the
// question's text lines; only continuation lines may follow an option line.
// A weight without its option line, or the reverse, shows here.
TEST(Catalogue, EveryOptionLetterHasOneLineAndOneWeight) {
  for (const Question& question : lettered_questions()) {
    SCOPED_TRACE(question.number);
    char next_letter = 'A';
    for (const std::string_view line : question.lines) {
      const std::string option_start = std::string("\t    ") + next_letter + ".  ";
      if (line.starts_with(option_start)) {
        ++next_letter;
      } else if (next_letter != 'A') {
        EXPECT_TRUE(line.starts_with("\t        ")) << line;
      }
    }
    EXPECT_EQ(next_letter - 'A', question.option_count());
  }
}

}  // namespace
}  // namespace inventory
