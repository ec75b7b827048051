#include "base/io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <string>

namespace teril {

IoError::IoError(std::string path, std::string reason)
    : std::runtime_error("Cannot write or read \"" + path + "\": " + reason),
      path_(std::move(path)),
      reason_(std::move(reason)) {}

namespace {

[[noreturn]] void Fail(const std::string& path) { throw IoError(path, std::strerror(errno)); }

void WriteAll(std::FILE* f, const std::string& path, std::string_view text) {
  if (!text.empty() && std::fwrite(text.data(), 1, text.size(), f) != text.size()) {
    int e = errno;
    std::fclose(f);
    errno = e;
    Fail(path);
  }
}

void Close(std::FILE* f, const std::string& path) {
  if (std::fclose(f) != 0) Fail(path);
}

}  // namespace

std::optional<std::string> ReadFileIfExists(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return std::nullopt;
  std::string content;
  char buf[1 << 16];
  std::size_t got;
  while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) content.append(buf, got);
  bool bad = std::ferror(f);
  std::fclose(f);
  if (bad) throw IoError(path, "read error");
  return content;
}

void AppendToFile(const std::string& path, std::string_view text) {
  std::FILE* f = std::fopen(path.c_str(), "ab");
  if (!f) Fail(path);
  WriteAll(f, path, text);
  Close(f, path);
}

void WriteFile(const std::string& path, std::string_view content) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) Fail(path);
  WriteAll(f, path, content);
  Close(f, path);
}

void WriteFileAtomic(const std::string& path, std::string_view content) {
  // The temporary file gets a name of its own (process and a counter),
  // created exclusively: two programs saving the same file at once (the
  // settings file, say) must not write into one temporary file.
  static std::atomic<unsigned> counter{0};
  std::string tmp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    tmp = path + ".tmp~" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) Fail(path);
  }
  if (fd < 0) Fail(path);
  std::FILE* f = ::fdopen(fd, "wb");
  if (!f) {
    int e = errno;
    ::close(fd);
    std::remove(tmp.c_str());
    errno = e;
    Fail(path);
  }
  try {
    WriteAll(f, path, content);
    if (std::fflush(f) != 0) {
      int e = errno;
      std::fclose(f);
      errno = e;
      Fail(path);
    }
    Close(f, path);
  } catch (...) {
    std::remove(tmp.c_str());
    throw;
  }
  if (std::rename(tmp.c_str(), path.c_str()) != 0) {
    int e = errno;
    std::remove(tmp.c_str());
    errno = e;
    Fail(path);
  }
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string FileNamePart(const std::string& path) {
  auto p = path.find_last_of('/');
  return p == std::string::npos ? path : path.substr(p + 1);
}

std::string FolderPart(const std::string& path) {
  auto p = path.find_last_of('/');
  return p == std::string::npos ? std::string() : path.substr(0, p == 0 ? 1 : p);
}

}  // namespace teril
