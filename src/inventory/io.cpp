#include "inventory/io.hpp"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include <cstdint>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace inventory {
namespace {

// Input is fetched in blocks as large as a Linux pipe's buffer: an echoed
// answer then fills a pipe with each write, and the block stays in the
// cache while it is scanned. Larger blocks measured slower, not faster.
// Output is flushed at least this often.
constexpr std::size_t input_buffer_size = std::size_t{64} * 1024;
constexpr std::size_t output_buffer_size = std::size_t{64} * 1024;

enum class Readiness { input, output };

#ifdef _WIN32
// The CRT's text mode would end the input at a Ctrl-Z byte and strip
// carriage returns; both are plain characters here, so input is binary.
// Output stays in text mode, which writes each line feed as CR LF.
void prepare(StandardStream stream) {
  if (stream == StandardStream::input) {
    _setmode(static_cast<int>(stream), _O_BINARY);
  }
}
long system_read(int descriptor, char* buffer, std::size_t capacity) {
  return _read(descriptor, buffer, static_cast<unsigned>(std::min<std::size_t>(capacity, INT_MAX)));
}
long system_write(int descriptor, const char* data, std::size_t size) {
  return _write(descriptor, data, static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX)));
}
// The CRT's standard streams never come non-blocking.
bool wait_until_ready(int /*descriptor*/, Readiness /*readiness*/) { return false; }
bool is_closed(int descriptor) {
  const intptr_t handle = _get_osfhandle(descriptor);
  return handle == -1 || handle == -2;
}
bool is_terminal(int descriptor) { return _isatty(descriptor) != 0; }
// Fails harmlessly where the input is no console.
void discard_typeahead(int descriptor) {
  FlushConsoleInputBuffer(reinterpret_cast<HANDLE>(_get_osfhandle(descriptor)));
}
#else
void prepare(StandardStream /*stream*/) {}
long system_read(int descriptor, char* buffer, std::size_t capacity) {
  return ::read(descriptor, buffer, capacity);
}
long system_write(int descriptor, const char* data, std::size_t size) {
  return ::write(descriptor, data, size);
}
// A parent can leave O_NONBLOCK on a terminal or pipe that it shares with
// this process. The flag belongs to all of them, so it is left alone: a read
// or write that would block waits here until the stream is ready. True when
// the call is worth making again.
bool wait_until_ready(int descriptor, Readiness readiness) {
  if (errno != EAGAIN && errno != EWOULDBLOCK) {
    return false;
  }
  const short events = readiness == Readiness::input ? POLLIN : POLLOUT;
  pollfd stream{descriptor, events, 0};
  int ready = 0;
  do {
    ready = ::poll(&stream, 1, -1);
  } while (ready < 0 && errno == EINTR);
  return ready > 0;
}
bool is_closed(int descriptor) { return ::fcntl(descriptor, F_GETFD) < 0 && errno == EBADF; }
bool is_terminal(int descriptor) { return ::isatty(descriptor) != 0; }
// Fails harmlessly where the input is no terminal.
void discard_typeahead(int descriptor) { ::tcflush(descriptor, TCIFLUSH); }
#endif

}  // namespace

FileSource::FileSource(StandardStream stream) : descriptor_(static_cast<int>(stream)) {
  prepare(stream);
}

ReadResult FileSource::read(char* buffer, std::size_t capacity) {
  long count = 0;
  do {
    count = system_read(descriptor_, buffer, capacity);
  } while (count < 0 && (errno == EINTR || wait_until_ready(descriptor_, Readiness::input)));
  if (count >= 0) {
    return {static_cast<std::size_t>(count), 0};
  }
  // A closed standard input has simply nothing to give; one that is open,
  // but not for reading, fails.
  const int error = errno;
  return {0, error == EBADF && is_closed(descriptor_) ? 0 : error};
}

void FileSource::discard_typeahead() const { inventory::discard_typeahead(descriptor_); }

FileSink::FileSink(StandardStream stream) : descriptor_(static_cast<int>(stream)) {
  prepare(stream);
}

int FileSink::write(std::string_view data) {
  while (!data.empty()) {
    long count = 0;
    do {
      count = system_write(descriptor_, data.data(), data.size());
    } while (count < 0 && (errno == EINTR || wait_until_ready(descriptor_, Readiness::output)));
    if (count < 0) {
      return errno;
    }
    // A write that takes nothing made no progress, and trying again would
    // spin for ever: the device takes no more, as when it is full.
    if (count == 0) {
      return ENOSPC;
    }
    data.remove_prefix(static_cast<std::size_t>(count));
  }
  return 0;
}

bool FileSink::is_terminal() const { return inventory::is_terminal(descriptor_); }

StringSource::StringSource(std::string_view text, std::size_t chunk_size)
    : rest_(text), chunk_size_(chunk_size) {}

ReadResult StringSource::read(char* buffer, std::size_t capacity) {
  std::size_t count = std::min(capacity, rest_.size());
  if (chunk_size_ != 0) {
    count = std::min(count, chunk_size_);
  }
  std::copy_n(rest_.data(), count, buffer);
  rest_.remove_prefix(count);
  return {count, 0};
}

int StringSink::write(std::string_view data) {
  text_.append(data);
  return 0;
}

Output::Output(ByteSink& sink) : sink_(sink), buffer_(output_buffer_size) {}

void Output::write(std::string_view text) {
  if (failed() || text.empty()) {
    return;
  }
  line_open_ = text.back() != '\n';
  if (text.size() > buffer_.size() - used_) {
    if (!flush()) {
      return;
    }
    // Too large to be worth copying: an echoed answer goes straight through.
    if (text.size() >= buffer_.size()) {
      error_ = sink_.write(text);
      return;
    }
  }
  std::copy(text.begin(), text.end(), buffer_.begin() + static_cast<std::ptrdiff_t>(used_));
  used_ += text.size();
}

void Output::line_end() {
  write("\n");
  flush();
}

bool Output::flush() {
  // Nothing is buffered once a write has failed.
  if (used_ != 0) {
    error_ = sink_.write({buffer_.data(), used_});
  }
  used_ = 0;
  return !failed();
}

Input::Input(ByteSource& source, Output& prompts)
    : source_(source), prompts_(prompts), buffer_(input_buffer_size) {}

void Input::fail(InputFailure why) {
  if (failure_ == InputFailure::none) {
    failure_ = why;
  }
  next_ = end_;
}

bool Input::fetch() {
  if (failed() || ended_) {
    return false;
  }
  if (!prompts_.flush()) {
    fail(InputFailure::output_failed);
    return false;
  }
  const ReadResult result = source_.read(buffer_.data(), buffer_.size());
  if (result.count == 0) {
    if (result.error != 0) {
      read_error_ = result.error;
      fail(InputFailure::read_error);
    } else {
      ended_ = true;
    }
    return false;
  }
  next_ = buffer_.data();
  end_ = next_ + result.count;
  return true;
}

}  // namespace inventory
