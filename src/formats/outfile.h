// Writing a file so that a failure never leaves half a file under its name:
// the text goes to a temporary file beside the target, which replaces the
// target only after every write, the flush to disk and the close succeeded.
#pragma once

#include <cstdio>
#include <string>

namespace kestrel {

class OutputFile {
 public:
  // Creates the temporary file beside `name`. A target that is a symbolic
  // link is followed, so the link survives; its permissions are kept.
  explicit OutputFile(const std::string& name);
  ~OutputFile();  // removes the temporary file unless committed
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // The stream to write to; null when the temporary file could not be made.
  FILE* stream() const { return stream_; }
  bool ok() const { return stream_ != nullptr && !failed_; }

  // Formats like printf; remembers a failure instead of returning it.
  void Print(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void Put(const std::string& text);

  // Flushes, syncs, closes and renames over the target. Returns false (and
  // leaves any old target untouched) when anything failed.
  bool Commit();

  // Marks the output as failed (the caller found a write error itself).
  void Fail() { failed_ = true; }

 private:
  std::string target_;
  std::string temporary_;
  FILE* stream_ = nullptr;
  bool failed_ = false;
  bool committed_ = false;
};

}  // namespace kestrel
