#include "base/line_reader.h"

#include <limits>
#include <utility>

namespace teril {

LineReader::LineReader(std::string_view text, std::size_t maxLine)
    : data_(text), maxLine_(maxLine) {}

LineReader::LineReader(Source source, std::size_t maxLine, std::size_t blockSize)
    : source_(std::move(source)),
      maxLine_(maxLine),
      blockSize_(blockSize < 1 ? 1 : blockSize),
      ended_(false) {}

bool LineReader::Fill() {
  if (ended_) return false;
  // Drop what has been returned already, then append one block.
  buffer_.erase(0, pos_);
  pos_ = 0;
  const std::size_t kept = buffer_.size();
  buffer_.resize(kept + blockSize_);
  std::size_t got = source_(buffer_.data() + kept, blockSize_);
  buffer_.resize(kept + got);
  data_ = buffer_;
  if (got == 0) ended_ = true;
  return got > 0;
}

bool LineReader::Next(std::string_view& line) {
  // Line numbers are ints: a text of more than 2^31 lines ends there.
  if (number_ == std::numeric_limits<int>::max()) return false;
  if (atStart_) {
    // The mark may be cut by a block end: gather three bytes first.
    while (data_.size() - pos_ < kUtf8Bom.size() && Fill()) {
    }
    if (data_.substr(pos_, kUtf8Bom.size()) == kUtf8Bom) pos_ += kUtf8Bom.size();
    atStart_ = false;
  }
  std::size_t scanned = 0;  // unread bytes known to hold no line end
  for (;;) {
    std::size_t end = pos_ + scanned;
    while (end < data_.size() && data_[end] != '\n' && data_[end] != '\r') ++end;
    if (end < data_.size()) {
      if (data_[end] == '\r' && end + 1 == data_.size() && !ended_) {
        // A CR at the end of the block may be the first half of CR LF:
        // look at the next block first (Fill keeps the unread bytes).
        scanned = end - pos_;
        Fill();
        continue;
      }
      if (end - pos_ > maxLine_) throw LineTooLong(number_ + 1);
      line = data_.substr(pos_, end - pos_);
      std::size_t next = end + 1;
      if (data_[end] == '\r' && next < data_.size() && data_[next] == '\n') ++next;
      pos_ = next;
      ++number_;
      return true;
    }
    if (data_.size() - pos_ > maxLine_) throw LineTooLong(number_ + 1);
    scanned = data_.size() - pos_;
    if (!Fill()) {
      if (pos_ >= data_.size()) return false;
      line = data_.substr(pos_);  // the last line has no line end
      pos_ = data_.size();
      ++number_;
      return true;
    }
  }
}

}  // namespace teril
