// Byte-level input and output for the questionnaire.
//
// The run reads one stream of characters and writes one stream of text. Both
// sit behind small interfaces, so that the process's standard streams, a
// string in a test or a fuzzer's bytes can drive the same run. The readers
// scan the input buffer directly instead of pulling a character at a time
// through a stream object: an answer may be gigabytes long.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace inventory {

// What one read from a byte source gave.
struct ReadResult {
  std::size_t count = 0;  // bytes placed in the buffer; 0 at the end or on failure
  int error = 0;          // errno-style code of a failed read, else 0
};

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Gives at least one byte unless the input has ended or failed. It may give
  // fewer bytes than asked for: a terminal hands over a line at a time, and
  // waiting to fill the buffer would stall the dialogue.
  virtual ReadResult read(char* buffer, std::size_t capacity) = 0;
};

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Writes all of data. Returns 0, or the errno-style code of the failure.
  virtual int write(std::string_view data) = 0;
  // Whether what is written appears on a terminal's screen.
  virtual bool is_terminal() const { return false; }
};

enum class StandardStream { input = 0, output = 1, error = 2 };

// A process standard stream, used through its file descriptor.
class FileSource final : public ByteSource {
 public:
  explicit FileSource(StandardStream stream);
  ReadResult read(char* buffer, std::size_t capacity) override;
  // Drops what was typed at a terminal and never read, so that the shell
  // does not run it as commands. Pipes and files are left as they are.
  void discard_typeahead() const;

 private:
  int descriptor_;
};

class FileSink final : public ByteSink {
 public:
  explicit FileSink(StandardStream stream);
  int write(std::string_view data) override;
  bool is_terminal() const override;

 private:
  int descriptor_;
};

// Input held in memory. A chunk size mimics a terminal that delivers the
// text in pieces; 0 gives it all at once.
class StringSource final : public ByteSource {
 public:
  explicit StringSource(std::string_view text, std::size_t chunk_size = 0);
  ReadResult read(char* buffer, std::size_t capacity) override;

 private:
  std::string_view rest_;
  std::size_t chunk_size_;
};

class StringSink final : public ByteSink {
 public:
  int write(std::string_view data) override;
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

// Buffered text output. The first failed write is kept and every later write
// is dropped, so a dead output is noticed once and never retried.
class Output {
 public:
  explicit Output(ByteSink& sink);

  void write(std::string_view text);
  // A line feed, then a flush: what has been written so far reaches the sink.
  void line_end();
  // Returns false once any write has failed.
  bool flush();

  bool failed() const { return error_ != 0; }
  int error() const { return error_; }
  // A prompt, or other text, waits on the current line of a terminal's screen.
  bool leaves_line_open_on_terminal() const { return line_open_ && sink_.is_terminal(); }

 private:
  ByteSink& sink_;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
  int error_ = 0;
  bool line_open_ = false;
};

// Why no more answers can be read.
enum class InputFailure {
  none,
  end_of_input,   // the input ended before an answer's first character
  not_a_number,   // a count could not be read as a number
  read_error,     // the system failed to read the input
  output_failed,  // the output failed, so reading on would be pointless
};

// Buffered input, tied to the output whose prompts it answers: pending
// output is flushed before more input is fetched, so a prompt is on the
// screen before the run waits for its answer.
//
// The first failure sticks. From then on no reader takes anything, even
// bytes that are already buffered.
class Input {
 public:
  Input(ByteSource& source, Output& prompts);

  // The bytes fetched and not yet taken, fetching more when none are left.
  // Empty when the input has ended or failed.
  std::string_view available() {
    if (next_ == end_ && !fetch()) {
      return {};
    }
    return {next_, static_cast<std::size_t>(end_ - next_)};
  }
  // The next byte as an unsigned value, or -1 when there is none.
  int peek() {
    if (next_ == end_ && !fetch()) {
      return -1;
    }
    return static_cast<unsigned char>(*next_);
  }
  // Takes count bytes of what available() or peek() showed.
  void take(std::size_t count) { next_ += count; }

  // Records why reading stopped; the first reason given is the one kept.
  void fail(InputFailure why);
  bool failed() const { return failure_ != InputFailure::none; }
  InputFailure failure() const { return failure_; }
  int read_error() const { return read_error_; }

 private:
  bool fetch();

  ByteSource& source_;
  Output& prompts_;
  std::vector<char> buffer_;
  const char* next_ = nullptr;
  const char* end_ = nullptr;
  bool ended_ = false;
  InputFailure failure_ = InputFailure::none;
  int read_error_ = 0;
};

}  // namespace inventory
