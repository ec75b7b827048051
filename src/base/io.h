// File helpers used by every part of the engine that reads or writes files.
//
// Failures throw IoError, which carries the path and the system's reason.
// The key loop catches it, logs it and ends the file run; the wrapper of a
// command run directly from a menu shows it and ends that command.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace teril {

class IoError : public std::runtime_error {
 public:
  IoError(std::string path, std::string reason);
  // `action` says what failed, "read" or "write": the message then reads
  // "Cannot write "extr.dat": No space left on device".
  IoError(std::string path, std::string reason, const char* action);
  const std::string& path() const { return path_; }
  const std::string& reason() const { return reason_; }

 private:
  std::string path_;
  std::string reason_;
};

// Thrown to end the whole program with an exit code (Exit, the settings
// marker error, an empty answer to the time correction). Caught by the
// outermost caller of the engine, never inside it.
struct ProgramExit {
  int code = 0;
};

// A file opened for reading and read in blocks, so that a large file never
// has to sit in memory whole (the data file is read line by line).
class InputFile {
 public:
  // Throws IoError (action "read") naming the path and why: missing, a
  // folder, no permission.
  explicit InputFile(const std::string& path);
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // Reads up to `size` bytes into `buffer`; 0 at the end of the file.
  // Throws IoError on a read error.
  std::size_t Read(char* buffer, std::size_t size);
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  int fd_ = -1;
};

// Whole content of a file, or nothing when there is no such file. A file
// that exists but cannot be read (a folder, no permission, a read error)
// throws IoError.
std::optional<std::string> ReadFileIfExists(const std::string& path);

// Appends `text` to a file, creating it when missing. When the append fails
// (the disk full, say) the file is cut back to its previous length, so it
// never keeps half a line; then IoError is thrown.
void AppendToFile(const std::string& path, std::string_view text);

// Writes a whole file through a temporary file in the same folder that is
// renamed over the target only when complete and flushed to the disk, so a
// failed write leaves the previous file intact. The new file keeps the
// permissions of the one it replaces; a target that may not be written (a
// read-only file, a folder in the way) is refused as a direct write would
// be. A link stays a link (the file it points to is replaced), and a device
// or pipe is written as it stands. Failures throw IoError (action "write")
// with the path and the reason.
void WriteFileAtomic(const std::string& path, std::string_view content);

// Creates or replaces a whole file (report files, result files, logs): the
// same as WriteFileAtomic, so that a failed write never destroys the
// previous file either.
void WriteFile(const std::string& path, std::string_view content);

bool FileExists(const std::string& path);

// True when both names lead to one existing file (links and "./" included):
// a result file must never be written over the data file it came from.
bool SameFile(const std::string& a, const std::string& b);

// The file-name part of a path (after the last "/").
std::string FileNamePart(const std::string& path);
// The folder part of a path, empty when there is none.
std::string FolderPart(const std::string& path);

// The data file's name up to its first "." (the stem of the result files:
// "star.dat" -> "star").
std::string ResultStem(const std::string& inputFile);

}  // namespace teril
