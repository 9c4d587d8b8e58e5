#include "inventory/io.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace inventory {
namespace {

// Keeps what it is given, and fails every write after the first few.
class CountingSink final : public ByteSink {
 public:
  explicit CountingSink(int writes_allowed) : writes_allowed_(writes_allowed) {}
  int write(std::string_view data) override {
    ++writes;
    if (writes > writes_allowed_) {
      return EPIPE;
    }
    text.append(data);
    return 0;
  }
  std::string text;
  int writes = 0;

 private:
  int writes_allowed_;
};

TEST(Output, KeepsOrderAcrossWritesLargerThanItsBuffer) {
  CountingSink sink{100};
  Output output{sink};
  const std::string half(40000, 'h');
  const std::string large(200000, 'x');
  output.write("before ");
  output.write(half);
  output.write(half);  // does not fit beside the first, but fits alone
  output.write(large);
  output.write(" after");
  EXPECT_TRUE(output.flush());
  EXPECT_EQ(sink.text, "before " + half + half + large + " after");
}

TEST(Output, StopsWritingAtTheFirstFailure) {
  const struct {
    int writes_allowed;
    std::string expected;
  } cases[] = {{0, ""}, {1, "before "}};
  for (const auto& expected : cases) {
    CountingSink sink{expected.writes_allowed};
    Output output{sink};
    output.write("before ");
    output.write(std::string(200000, 'x'));
    output.line_end();
    output.write("after");
    EXPECT_FALSE(output.flush());
    EXPECT_EQ(output.error(), EPIPE);
    EXPECT_EQ(sink.writes, expected.writes_allowed + 1) << "a dead output was written again";
    EXPECT_EQ(sink.text, expected.expected);
  }
}

TEST(Input, FlushesItsPromptsBeforeFetchingAndNotBefore) {
  StringSource source{"ab", 1};
  CountingSink sink{100};
  Output prompts{sink};
  Input input{source, prompts};
  prompts.write("first? ");
  EXPECT_EQ(input.peek(), 'a');
  EXPECT_EQ(sink.text, "first? ");
  prompts.write("second? ");
  EXPECT_EQ(input.peek(), 'a') << "peeking at a buffered byte fetched again";
  EXPECT_EQ(sink.text, "first? ");
  input.take(1);
  EXPECT_EQ(input.peek(), 'b');
  EXPECT_EQ(sink.text, "first? second? ");
}

}  // namespace
}  // namespace inventory
