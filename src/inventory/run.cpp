#include "inventory/run.hpp"

#include <array>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "inventory/answers.hpp"
#include "inventory/catalogue.hpp"
#include "inventory/report.hpp"

namespace inventory {
namespace {

constexpr std::string_view program_name = "security-inventory";

// The publisher's address sits under a reserved example domain, so that it
// points at nobody's real site.
constexpr std::string_view publisher_address = "www.example.com";

constexpr std::size_t box_width = 28;

// The address in brackets, centred between the box's side walls; an odd
// spare space goes after it.
constexpr std::array<char, box_width> make_address_line(std::string_view address) {
  std::array<char, box_width> line{};
  line.fill(' ');
  line.front() = '+';
  line.back() = '+';
  const std::size_t spare = box_width - 2 - (address.size() + 2);
  std::size_t position = 1 + spare / 2;
  line[position++] = '[';
  for (const char character : address) {
    line[position++] = character;
  }
  line[position] = ']';
  return line;
}

static_assert(publisher_address.size() <= 24, "the address must fit inside the banner box");
constexpr std::array<char, box_width> address_line = make_address_line(publisher_address);

constexpr std::string_view box_indent =
    "\t\t   "
    "     ";

constexpr std::string_view banner[] = {
    "++++++++++++++++++++++++++++",
    "+     Quillon Dataware     +",
    {address_line.data(), address_line.size()},
    "+    Security Inventory    +",
    "++++++++++++++++++++++++++++",
};

constexpr std::string_view introduction =
    "\tThis security inventory has 8 questions.  Answer either with a\n"
    "\tnumber, a letter, or a string of letters such as 'ADE'.  To exit\n"
    "\tbefore completing the inventory, hold down 'CTRL' and press 'c'.\n\n";

constexpr std::string_view closing_prompt = "\t\t  Type any key followed by 'Enter' to finish. ";

// Text, then a line end.
void write_line(Output& output, std::string_view text) {
  output.write(text);
  output.line_end();
}

// Line ends with no text of their own: the first ends the line being
// written, and each one after it leaves an empty line.
void write_line_ends(Output& output, int count) {
  for (int line = 0; line < count; ++line) {
    output.line_end();
  }
}

void write_opening(Output& output) {
  // The question-1 ratio's starting value (on purpose: see catalogue.hpp).
  write_number(output, 0);
  write_line_ends(output, 2);
  for (const std::string_view box_line : banner) {
    output.write(box_indent);
    write_line(output, box_line);
  }
  write_line_ends(output, 2);
  output.write(introduction);
}

void ask_counts(Input& input, Output& output, ScoreSlots& slots) {
  // What a failed read leaves in place.
  float accounts = 0;
  float passwords = 1;
  write_line(output, count_question.text);
  output.write(count_question.accounts_prompt);
  read_count(input, accounts);
  write_line_ends(output, 2);
  output.write(count_question.passwords_prompt);
  read_count(input, passwords);
  const CountScore score = count_score(accounts, passwords);
  slots[1] = score.score;
  // On purpose, as the other layout oddities: see catalogue.hpp.
  if (!score.capped) {
    output.write(" ");
  }
  write_line_ends(output, 2);
}

// Reads the answer to a lettered question and scores it. Empty when a
// single-choice question can get no answer.
std::optional<float> ask(const Question& question, Input& input, Output& output) {
  for (const std::string_view line : question.lines) {
    write_line(output, line);
  }
  output.write(instruction(question.kind));
  if (question.kind == AnswerKind::single_choice) {
    const std::optional<int> choice = read_choice(input, question.option_count());
    if (!choice) {
      return std::nullopt;
    }
    return static_cast<float>(question.weights[static_cast<std::size_t>(*choice)]);
  }
  Output* const echo_to = question.echo == Echo::answer ? &output : nullptr;
  const std::string window = read_word(input, question.scan_length(), echo_to);
  return letter_list_score(window, question.weights);
}

int report_error(const Output& output, ByteSink& errors, std::string_view message) {
  // On a shared screen the message would go on after the open prompt.
  const bool own_line = errors.is_terminal() && output.leaves_line_open_on_terminal();
  std::string line{own_line ? "\n" : ""};
  line.append(program_name).append(": ").append(message).append("\n");
  errors.write(line);
  return exit_stopped;
}

// A failed output or a failed read ends the run wherever it is noticed.
// Output is flushed first, so that a diagnostic comes after what was written.
std::optional<int> stop_on_io_failure(const Input& input, Output& output, ByteSink& errors) {
  if (!output.flush()) {
    return report_error(output, errors,
                        std::string("write error: ") + std::strerror(output.error()));
  }
  if (input.failure() == InputFailure::read_error) {
    return report_error(output, errors,
                        std::string("read error: ") + std::strerror(input.read_error()));
  }
  return std::nullopt;
}

// A single-choice question cannot be left unanswered, and no answer can
// come once the input has ended or failed: waiting would hang for good.
int stop_without_answer(const Question& question, const Input& input, Output& output,
                        ByteSink& errors) {
  if (const std::optional<int> status = stop_on_io_failure(input, output, errors)) {
    return *status;
  }
  const std::string where = "question " + std::to_string(question.number) + ": ";
  if (input.failure() == InputFailure::not_a_number) {
    return report_error(output, errors,
                        where + "no answer can be read, as a count was not a number");
  }
  return report_error(output, errors, where + "input ended before an answer");
}

}  // namespace

int run(ByteSource& source, ByteSink& sink, ByteSink& errors) {
  Output output{sink};
  Input input{source, output};
  ScoreSlots slots{};

  write_opening(output);
  ask_counts(input, output, slots);
  for (const Question& question : lettered_questions()) {
    if (const std::optional<int> status = stop_on_io_failure(input, output, errors)) {
      return *status;
    }
    const std::optional<float> score = ask(question, input, output);
    if (!score) {
      return stop_without_answer(question, input, output, errors);
    }
    slots[static_cast<std::size_t>(question.number)] = *score;
    write_line_ends(output, 2);
  }
  write_report(output, slots);
  // The credit line, empty on purpose (see catalogue.hpp).
  output.write("\t\t");
  write_line_ends(output, 2);
  output.write(closing_prompt);
  read_any_character(input);
  if (const std::optional<int> status = stop_on_io_failure(input, output, errors)) {
    return *status;
  }
  return exit_completed;
}

}  // namespace inventory
