#include "formats/outfile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdlib>

#include "formats/cnumbers.h"

namespace kestrel {

namespace {

std::string ResolveTarget(const std::string& name) {
  struct stat st;
  if (lstat(name.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* real = realpath(name.c_str(), nullptr)) {
      std::string resolved = real;
      std::free(real);
      return resolved;
    }
  }
  return name;
}

}  // namespace

OutputFile::OutputFile(const std::string& name) : target_(ResolveTarget(name)) {
  struct stat existing;
  if (stat(target_.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
    // A device or a pipe is written directly: it cannot be replaced.
    stream_ = std::fopen(target_.c_str(), "w");
    return;
  }
  temporary_ = target_ + ".kestrel-XXXXXX";
  const int fd = mkstemp(temporary_.data());
  if (fd < 0) {
    temporary_.clear();
    return;
  }
  struct stat st;
  if (stat(target_.c_str(), &st) == 0) {
    fchmod(fd, st.st_mode & 07777);
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
  }
  stream_ = fdopen(fd, "w");
  if (!stream_) {
    close(fd);
    unlink(temporary_.c_str());
    temporary_.clear();
  }
}

OutputFile::~OutputFile() {
  if (committed_) return;
  if (stream_) std::fclose(stream_);
  if (!temporary_.empty()) unlink(temporary_.c_str());
}

void OutputFile::Print(const char* format, ...) {
  if (!stream_ || failed_) return;
  va_list args;
  va_start(args, format);
  if (VPrintC(stream_, format, args) < 0) failed_ = true;
  va_end(args);
}

void OutputFile::Put(const std::string& text) {
  if (!stream_ || failed_) return;
  if (std::fwrite(text.data(), 1, text.size(), stream_) != text.size()) failed_ = true;
}

bool OutputFile::Commit() {
  if (!stream_) return false;
  bool ok = !failed_;
  ok = std::fflush(stream_) == 0 && ok;
  ok = !std::ferror(stream_) && ok;
  const bool direct = temporary_.empty();
  if (!direct) ok = fsync(fileno(stream_)) == 0 && ok;
  ok = std::fclose(stream_) == 0 && ok;
  stream_ = nullptr;
  if (!direct) ok = ok && std::rename(temporary_.c_str(), target_.c_str()) == 0;
  if (!ok) {
    if (!direct) unlink(temporary_.c_str());
    temporary_.clear();
    return false;
  }
  committed_ = true;
  return true;
}

}  // namespace kestrel
