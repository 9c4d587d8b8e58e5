#include "inventory/report.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "inventory/io.hpp"

namespace inventory {
namespace {

std::string written(float value) {
  StringSink sink;
  Output output{sink};
  write_number(output, value);
  output.flush();
  return sink.text();
}

TEST(NumberFormat, WritesSixSignificantDigitsLikePercentG) {
  const struct {
    float value;
    const char* text;
  } cases[] = {
      {0, "0"},
      {94, "94"},
      {15.5F, "15.5"},
      {100, "100"},
      {-20, "-20"},
      {43.833332F, "43.8333"},
      {999999.9F, "1e+06"},
      {1234567, "1.23457e+06"},
      {0.0001F, "0.0001"},
      {0.00001F, "1e-05"},
      {-std::numeric_limits<float>::max(), "-3.40282e+38"},
  };
  for (const auto& expected : cases) {
    EXPECT_EQ(written(expected.value), expected.text);
  }
}

struct ReportCase {
  float total;
  std::string score;
  std::string bands;  // the bands whose verdicts follow, in order
};

void PrintTo(const ReportCase& c, std::ostream* os) { *os << "total " << c.total; }

class Report : public testing::TestWithParam<ReportCase> {};

// The verdict headlines, by band.
constexpr const char* headlines[] = {
    "You're at Serious Risk!",
    "You've Covered the Basics.",
    "You're Cautious.",
    "You're a Closed Book!",
};

TEST_P(Report, WritesTheScoreAndTheVerdictOfEveryBandThatHoldsIt) {
  const ReportCase& expected = GetParam();
  ScoreSlots slots{};
  slots[1] = expected.total;
  StringSink sink;
  Output output{sink};
  write_report(output, slots);
  output.flush();
  const std::string& text = sink.text();

  const std::string score_line = "     \t\tYour Score based on 100: " + expected.score + "\n";
  ASSERT_TRUE(text.starts_with(score_line)) << text;
  std::string bands;
  std::size_t from = 0;
  for (char band = '1'; band <= '4'; ++band) {
    const std::size_t found = text.find(headlines[band - '1']);
    if (found != std::string::npos) {
      EXPECT_GT(found, from) << "verdicts out of band order";
      from = found;
      bands += band;
    }
  }
  EXPECT_EQ(bands, expected.bands);
  if (bands.empty()) {
    EXPECT_EQ(text, score_line);
  }
}

INSTANTIATE_TEST_SUITE_P(Bands, Report,
                         testing::Values(ReportCase{113, "94", "4"}, ReportCase{-44, "15.5", "1"},
                                         ReportCase{-75, "0", ""}, ReportCase{-74, "0.5", "1"},
                                         ReportCase{-25, "25", "1"}, ReportCase{-24, "25.5", "12"},
                                         ReportCase{-23, "26", "2"}, ReportCase{25, "50", "2"},
                                         ReportCase{26, "50.5", "23"}, ReportCase{75, "75", "3"},
                                         ReportCase{76, "75.5", "34"}, ReportCase{77, "76", "4"},
                                         ReportCase{125, "100", "4"}, ReportCase{126, "100.5", "4"},
                                         ReportCase{127, "101", ""}, ReportCase{242, "158.5", ""},
                                         ReportCase{-100, "-12.5", ""}));

TEST(Report, WritesTheWholeBlockOfABand) {
  ScoreSlots slots{};
  slots[1] = 113;
  StringSink sink;
  Output output{sink};
  write_report(output, slots);
  output.flush();
  EXPECT_EQ(sink.text(),
            "     \t\tYour Score based on 100: 94\n"
            "     \t\tYou're a Closed Book! (score between 76 and 100)\n"
            "     \t\tYour security practices are very good.\n\n");
}

TEST(FinalScore, SumsTheSlotsInSinglePrecision) {
  // The worked examples' slots.
  EXPECT_EQ(final_score({0, 40, 5, 10, 16, 0, 10, 2, 30}), 94.0F);
  EXPECT_EQ(final_score({0, 20, -5, -4, -15, -30, 0, -5, -5}), 15.5F);
  // Each addition rounds: 1e8 + 1 is 1e8 in single precision, so the nine
  // ones vanish one by one instead of adding up to 9 first.
  EXPECT_EQ(final_score({1e8F, 1, 1, 1, 1, 1, 1, 1, 1}), static_cast<float>((1e8 + 75) * 0.5));
}

}  // namespace
}  // namespace inventory
