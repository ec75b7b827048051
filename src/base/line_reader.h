// Lines of a text as the readers of data, frequency and other input files
// see them, whatever tool wrote the file.
//
// A line ends at LF, at CR LF or at a lone CR; the line end is not part of
// the line. A UTF-8 byte-order mark at the very start of the text is
// skipped. Lines are counted from 1. A line longer than the limit (1 MB
// unless told otherwise) is refused with its number instead of being
// gathered into memory.
//
// The reader works either on a text already in memory (no copy) or on a
// source read in blocks (a file), keeping at most one line and one block.
// Both give the same lines.
#pragma once

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace teril {

inline constexpr std::size_t kMaxLineBytes = std::size_t{1} << 20;

// A line longer than the reader's limit.
class LineTooLong : public std::runtime_error {
 public:
  explicit LineTooLong(int line)
      : std::runtime_error("line " + std::to_string(line) + " is longer than the limit"),
        line_(line) {}
  int line() const { return line_; }

 private:
  int line_;
};

// The UTF-8 byte-order mark, skipped at the start of a text.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

class LineReader {
 public:
  // Fills `buffer` with up to `size` bytes and returns how many; 0 means
  // the end of the input. May throw (a read error of a file).
  using Source = std::function<std::size_t(char* buffer, std::size_t size)>;

  // Lines of `text`, which must outlive the reader.
  explicit LineReader(std::string_view text, std::size_t maxLine = kMaxLineBytes);
  // Lines of a source read in blocks of `blockSize` bytes.
  explicit LineReader(Source source, std::size_t maxLine = kMaxLineBytes,
                      std::size_t blockSize = std::size_t{1} << 16);

  // The next line, valid until the following call; false at the end.
  // Throws LineTooLong for a line longer than the limit.
  bool Next(std::string_view& line);
  // Number of the line last returned (0 before the first).
  int number() const { return number_; }

 private:
  // Reads one more block into the buffer; false at the end of the source.
  bool Fill();

  Source source_;
  std::string buffer_;     // block mode: the unread bytes start at pos_
  std::string_view data_;  // what is available: the text, or buffer_
  std::size_t pos_ = 0;
  std::size_t maxLine_;
  std::size_t blockSize_ = 0;
  bool ended_ = true;  // no more input beyond data_
  bool atStart_ = true;
  int number_ = 0;
};

}  // namespace teril
