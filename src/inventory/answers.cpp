#include "inventory/answers.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "inventory/scan.hpp"

namespace inventory {
namespace {

constexpr float largest_single = std::numeric_limits<float>::max();

// Takes whitespace; true when a character other than whitespace is next.
// Finding the input's end first is the failure of the answer being read.
bool skip_whitespace(Input& input) {
  for (;;) {
    const std::string_view bytes = input.available();
    if (bytes.empty()) {
      input.fail(InputFailure::end_of_input);
      return false;
    }
    const std::size_t found = find_first(bytes, whitespace, Match::outside);
    input.take(found);
    if (found != bytes.size()) {
      return true;
    }
  }
}

constexpr ByteRanges decimal_digits{'0', 10, '0', 0};
constexpr ByteRanges zero_digit{'0', 1, '0', 0};

// Digit and exponent counts stop here, far beyond any count of digits that
// can be typed (an exabyte of them): the value is then decided long before,
// and scale plus exponent cannot overflow.
constexpr std::int64_t count_limit = 1'000'000'000'000'000'000;

std::int64_t saturated(std::int64_t count) { return std::clamp(count, -count_limit, count_limit); }

// A decimal number gathered a run of digits at a time, as 0.DIGITS times ten
// to the power of scale. Only the leading significant digits are stored: 800
// of them decide the rounding of any double, and the rest count only for
// whether they are all zero. So the memory stays fixed however long the
// number is typed.
class DecimalNumber {
 public:
  void set_negative() { negative_ = true; }

  void add_integer_digits(std::string_view digits) {
    if (kept_ == 0) {
      digits.remove_prefix(find_first(digits, zero_digit, Match::outside));
    }
    scale_ = saturated(scale_ + static_cast<std::int64_t>(digits.size()));
    keep(digits);
  }

  void add_fraction_digits(std::string_view digits) {
    if (kept_ == 0) {
      const std::size_t zeros = find_first(digits, zero_digit, Match::outside);
      scale_ = saturated(scale_ - static_cast<std::int64_t>(zeros));
      digits.remove_prefix(zeros);
    }
    keep(digits);
  }

  void set_exponent_negative() { exponent_negative_ = true; }

  void add_exponent_digits(std::string_view digits) {
    for (const char digit : digits) {
      exponent_ = exponent_ >= count_limit / 10 ? count_limit : exponent_ * 10 + (digit - '0');
    }
  }

  // Rounded to double, then to single precision, as a count is stored.
  float value() const {
    const float zero = negative_ ? -0.0F : 0.0F;
    if (kept_ == 0) {
      return zero;
    }
    const std::int64_t power = scale_ + (exponent_negative_ ? -exponent_ : exponent_);
    // At 10^39 and above the value is past the single range; below 10^-60
    // it rounds to zero. Between the two a double holds it without overflow.
    if (power >= 40) {
      return negative_ ? -largest_single : largest_single;
    }
    if (power < -60) {
      return zero;
    }
    // The digits as a whole number with an exponent: with no decimal point,
    // no locale can change how strtod reads them, and every C library in use
    // rounds it correctly (std::from_chars for double is missing from libc++).
    std::array<char, max_kept + 32> text{};
    std::memcpy(text.data(), digits_.data(), kept_);
    char* end = text.data() + kept_;
    if (dropped_nonzero_) {
      *end++ = '1';
    }
    *end++ = 'e';
    const auto digit_count = static_cast<std::int64_t>(end - text.data() - 1);
    end = std::to_chars(end, text.data() + text.size() - 1, power - digit_count).ptr;
    *end = '\0';
    const double magnitude = std::strtod(text.data(), nullptr);
    return to_single(negative_ ? -magnitude : magnitude);
  }

 private:
  static constexpr std::size_t max_kept = 800;

  void keep(std::string_view digits) {
    const std::size_t count = std::min(digits.size(), max_kept - kept_);
    std::memcpy(digits_.data() + kept_, digits.data(), count);
    kept_ += count;
    digits.remove_prefix(count);
    if (!dropped_nonzero_) {
      dropped_nonzero_ = find_first(digits, zero_digit, Match::outside) != digits.size();
    }
  }

  bool negative_ = false;
  std::array<char, max_kept> digits_{};
  std::size_t kept_ = 0;
  bool dropped_nonzero_ = false;
  std::int64_t scale_ = 0;
  bool exponent_negative_ = false;
  std::int64_t exponent_ = 0;
};

// Hands each run of digits at the front of the input to add, a buffer at a
// time, so that a count of any length moves at the speed of the scan. True
// when there was at least one digit.
template <typename Add>
bool take_digits(Input& input, Add add) {
  bool any = false;
  for (std::string_view bytes = input.available(); !bytes.empty(); bytes = input.available()) {
    const std::size_t count = find_first(bytes, decimal_digits, Match::outside);
    if (count != 0) {
      add(bytes.substr(0, count));
      input.take(count);
      any = true;
    }
    if (count != bytes.size()) {
      break;
    }
  }
  return any;
}

}  // namespace

float to_single(double value) {
  if (value > largest_single) {
    return largest_single;
  }
  if (value < -largest_single) {
    return -largest_single;
  }
  return static_cast<float>(value);
}

bool read_count(Input& input, float& count) {
  if (!skip_whitespace(input)) {
    return false;
  }
  DecimalNumber number;
  if (const int sign = input.peek(); sign == '+' || sign == '-') {
    if (sign == '-') {
      number.set_negative();
    }
    input.take(1);
  }
  bool has_digit =
      take_digits(input, [&number](std::string_view digits) { number.add_integer_digits(digits); });
  int next = input.peek();
  if (next == '.') {
    input.take(1);
    has_digit |= take_digits(
        input, [&number](std::string_view digits) { number.add_fraction_digits(digits); });
    next = input.peek();
  }
  if (!has_digit) {
    input.fail(InputFailure::not_a_number);
    return false;
  }
  if (next == 'e' || next == 'E') {
    // Once the exponent mark is taken, digits must follow: 5e is no number.
    input.take(1);
    next = input.peek();
    if (next == '+' || next == '-') {
      if (next == '-') {
        number.set_exponent_negative();
      }
      input.take(1);
    }
    if (!take_digits(input,
                     [&number](std::string_view digits) { number.add_exponent_digits(digits); })) {
      input.fail(InputFailure::not_a_number);
      return false;
    }
  }
  count = number.value();
  return true;
}

CountScore count_score(float accounts, float passwords) {
  double ratio = 0;
  if (passwords != 0) {
    ratio = static_cast<double>(accounts) / static_cast<double>(passwords) * 20.0;
  } else if (accounts != 0) {
    // Accounts over no passwords at all: as many per password as can be held.
    ratio = std::signbit(accounts) == std::signbit(passwords) ? largest_single : -largest_single;
  }
  const float single_ratio = to_single(ratio);
  if (single_ratio > 100.0F) {
    return {100.0F, true};
  }
  return {single_ratio, false};
}

std::optional<int> read_choice(Input& input, int option_count) {
  for (;;) {
    const std::string_view bytes = input.available();
    if (bytes.empty()) {
      input.fail(InputFailure::end_of_input);
      return std::nullopt;
    }
    const std::size_t found = find_first(bytes, option_letters(option_count), Match::inside);
    if (found != bytes.size()) {
      input.take(found + 1);
      return option_index(static_cast<unsigned char>(bytes[found]));
    }
    input.take(bytes.size());
  }
}

std::string read_word(Input& input, std::size_t scan_length, Output* echo_to) {
  std::string window;
  if (!skip_whitespace(input)) {
    return window;
  }
  // The end of the input ends the word; it is no failure once the word has begun.
  for (std::string_view bytes = input.available(); !bytes.empty(); bytes = input.available()) {
    const std::string_view piece = bytes.substr(0, find_first(bytes, whitespace, Match::inside));
    if (window.size() < scan_length) {
      window.append(piece.substr(0, scan_length - window.size()));
    }
    if (echo_to != nullptr) {
      echo_to->write(piece);
    }
    input.take(piece.size());
    if (piece.size() != bytes.size()) {
      break;
    }
  }
  return window;
}

float letter_list_score(std::string_view window, std::span<const int> weights) {
  const ByteRanges accepted = option_letters(static_cast<int>(weights.size()));
  float score = 0;
  for (const char character : window) {
    const auto byte = static_cast<unsigned char>(character);
    if (accepted.contains(byte)) {
      score += static_cast<float>(weights[static_cast<std::size_t>(option_index(byte))]);
    }
  }
  return score;
}

void read_any_character(Input& input) {
  if (skip_whitespace(input)) {
    input.take(1);
  }
}

}  // namespace inventory
