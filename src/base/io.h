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

// Whole content of a file, or nothing when it cannot be opened.
std::optional<std::string> ReadFileIfExists(const std::string& path);

// Appends `text` to a file, creating it when missing.
void AppendToFile(const std::string& path, std::string_view text);

// Writes a whole file through a temporary file in the same folder that is
// renamed over the target only when complete, so a failed write leaves the
// previous file intact.
void WriteFileAtomic(const std::string& path, std::string_view content);

// Creates or truncates a file and writes `content` (for report files of one
// run, where there is nothing to preserve).
void WriteFile(const std::string& path, std::string_view content);

bool FileExists(const std::string& path);

// The file-name part of a path (after the last "/").
std::string FileNamePart(const std::string& path);
// The folder part of a path, empty when there is none.
std::string FolderPart(const std::string& path);

}  // namespace teril
