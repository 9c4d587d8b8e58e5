#include "inventory/report.hpp"

#include <array>
#include <charconv>
#include <span>
#include <string_view>

namespace inventory {
namespace {

constexpr std::string_view margin = "     ";

constexpr std::string_view serious_risk[] = {
    "\t\tYou're at Serious Risk! (score less than 26)\n",
    "\t\tYour security practices need improvement.\n",
    "\t\tRun this inventory again to study some of\n",
    "\t\toptions you might do to firm things up.\n\n",
};
constexpr std::string_view covered_the_basics[] = {
    "\t\tYou've Covered the Basics. (score between 26 and 50)\n",
    "\t\tYour security practices need some changes.\n\n",
};
constexpr std::string_view cautious[] = {
    "\t\tYou're Cautious. (score between 51 and 75)\n",
    "\t\tYour security practices are pretty good, but\n",
    "\t\tthere's still some room for improvement.\n\n",
};
constexpr std::string_view closed_book[] = {
    "\t\tYou're a Closed Book! (score between 76 and 100)\n",
    "\t\tYour security practices are very good.\n\n",
};

// Each band's test is strict at both ends and made on its own, so a score
// such as 25.5 passes two neighbouring bands and both verdicts are written
// (see catalogue.hpp).
struct Band {
  float above;
  float below;
  std::span<const std::string_view> verdict;
};

constexpr Band bands[] = {
    {0, 26, serious_risk},
    {25, 51, covered_the_basics},
    {50, 76, cautious},
    {75, 101, closed_book},
};

}  // namespace

float final_score(const ScoreSlots& slots) {
  // Slot 0 too, rounding to single precision after each addition; then
  // worked in double and rounded once (see catalogue.hpp).
  float total = 0;
  for (const float slot : slots) {
    total += slot;
  }
  return static_cast<float>((static_cast<double>(total) + 75.0) * 0.5);
}

void write_number(Output& output, float value) {
  std::array<char, 32> text{};
  const auto result = std::to_chars(text.data(), text.data() + text.size(),
                                    static_cast<double>(value), std::chars_format::general, 6);
  output.write({text.data(), static_cast<std::size_t>(result.ptr - text.data())});
}

void write_report(Output& output, const ScoreSlots& slots) {
  const float score = final_score(slots);
  output.write(margin);
  output.write("\t\tYour Score based on 100: ");
  write_number(output, score);
  output.line_end();
  for (const Band& band : bands) {
    if (score > band.above && score < band.below) {
      for (const std::string_view literal : band.verdict) {
        output.write(margin);
        output.write(literal);
      }
    }
  }
}

}  // namespace inventory
