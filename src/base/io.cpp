#include "base/io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace teril {

IoError::IoError(std::string path, std::string reason)
    : std::runtime_error("Cannot write or read \"" + path + "\": " + reason),
      path_(std::move(path)),
      reason_(std::move(reason)) {}

IoError::IoError(std::string path, std::string reason, const char* action)
    : std::runtime_error(std::string("Cannot ") + action + " \"" + path + "\": " + reason),
      path_(std::move(path)),
      reason_(std::move(reason)) {}

namespace {

constexpr const char* kFolderInTheWay = "a folder of that name is in the way";

[[noreturn]] void Fail(const std::string& path, const char* action, int error) {
  throw IoError(path, std::strerror(error), action);
}

// Writes all of `text` to `fd`; returns 0 or the error number.
int WriteAll(int fd, std::string_view text) {
  const char* p = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    ssize_t done = ::write(fd, p, left);
    if (done < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (done == 0) return ENOSPC;
    p += done;
    left -= static_cast<std::size_t>(done);
  }
  return 0;
}

// Cuts a file back to `size` bytes after a failed append (best effort: the
// caller reports the failure of the append either way).
void CutBack(int fd, off_t size) {
  while (::ftruncate(fd, size) != 0 && errno == EINTR) {
  }
}

}  // namespace

InputFile::InputFile(const std::string& path) : path_(path) {
  do {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd_ < 0 && errno == EINTR);
  if (fd_ < 0) Fail(path, "read", errno);
  struct stat st {};
  if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    throw IoError(path, "it is a folder, not a file", "read");
  }
}

InputFile::~InputFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::size_t InputFile::Read(char* buffer, std::size_t size) {
  for (;;) {
    ssize_t got = ::read(fd_, buffer, size);
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno != EINTR) Fail(path_, "read", errno);
  }
}

std::optional<std::string> ReadFileIfExists(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR)) return std::nullopt;
  InputFile file(path);
  // Read straight into the string, sized once for a regular file (a file
  // of tens of megabytes is neither copied block by block nor regrown);
  // a file that grows meanwhile, or a pipe, still reads to its end.
  std::string content;
  std::size_t used = 0;
  std::size_t room = S_ISREG(st.st_mode) && st.st_size > 0
                         ? static_cast<std::size_t>(st.st_size) + 1
                         : std::size_t{1} << 16;
  for (;;) {
    if (content.size() < used + 1) content.resize(std::max(room, used + (used >> 1) + 1));
    const std::size_t got = file.Read(content.data() + used, content.size() - used);
    if (got == 0) break;
    used += got;
  }
  content.resize(used);
  return content;
}

void AppendToFile(const std::string& path, std::string_view text) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0 && errno == EISDIR) throw IoError(path, kFolderInTheWay, "write");
  if (fd < 0) Fail(path, "write", errno);
  struct stat st {};
  const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  const off_t before = regular ? st.st_size : 0;
  int error = WriteAll(fd, text);
  // Half a line at the end of a table would spoil every later reading: a
  // failed append is cut back (when that fails too, the error below still
  // says what happened).
  if (error != 0) {
    if (regular) CutBack(fd, before);
    ::close(fd);
    Fail(path, "write", error);
  }
  if (::close(fd) != 0) {
    error = errno;
    if (regular) {
      int again = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
      if (again >= 0) {
        CutBack(again, before);
        ::close(again);
      }
    }
    Fail(path, "write", error);
  }
}

namespace {

// Writes `content` over a device or pipe as it stands: such a target is not
// a file to be replaced (saving to /dev/null must not replace the device).
void WriteInPlace(const std::string& path, std::string_view content) {
  int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) Fail(path, "write", errno);
  int error = WriteAll(fd, content);
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) Fail(path, "write", error);
}

}  // namespace

void WriteFileAtomic(const std::string& name, std::string_view content) {
  struct stat target {};
  const bool exists = ::stat(name.c_str(), &target) == 0;
  if (exists && S_ISDIR(target.st_mode)) throw IoError(name, kFolderInTheWay, "write");
  if (exists && !S_ISREG(target.st_mode)) return WriteInPlace(name, content);
  // A link is kept: the file it points to is the one replaced.
  std::string path = name;
  struct stat link {};
  if (exists && ::lstat(name.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    if (char* real = ::realpath(name.c_str(), nullptr)) {
      path = real;
      std::free(real);
    }
  }
  // A file that may not be written is not replaced behind its back. The
  // check is that of opening it for writing: by the effective user.
  if (exists && ::faccessat(AT_FDCWD, name.c_str(), W_OK, AT_EACCESS) != 0 &&
      (errno == EACCES || errno == EROFS))
    Fail(name, "write", errno);
  // The temporary file gets a name of its own (process and a counter),
  // created exclusively: two programs saving the same file at once (the
  // settings file, say) must not write into one temporary file.
  static std::atomic<unsigned> counter{0};
  std::string tmp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    tmp = path + ".tmp~" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST && errno != EINTR) Fail(name, "write", errno);
  }
  if (fd < 0) Fail(name, "write", EEXIST);
  int error = WriteAll(fd, content);
  if (error == 0 && exists && ::fchmod(fd, target.st_mode & 07777) != 0) error = errno;
  // Flushed before the rename, so that a crash never leaves an empty file
  // where the previous one was.
  if (error == 0 && ::fsync(fd) != 0 && errno != EINVAL) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && std::rename(tmp.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    std::remove(tmp.c_str());
    if (error == EISDIR) throw IoError(name, kFolderInTheWay, "write");
    Fail(name, "write", error);
  }
}

void WriteFile(const std::string& path, std::string_view content) {
  WriteFileAtomic(path, content);
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

std::string FileNamePart(const std::string& path) {
  auto p = path.find_last_of('/');
  return p == std::string::npos ? path : path.substr(p + 1);
}

std::string FolderPart(const std::string& path) {
  auto p = path.find_last_of('/');
  return p == std::string::npos ? std::string() : path.substr(0, p == 0 ? 1 : p);
}

std::string ResultStem(const std::string& inputFile) {
  auto dot = inputFile.find('.');
  return dot == std::string::npos ? inputFile : inputFile.substr(0, dot);
}

}  // namespace teril
