#pragma once

#include <filesystem>
#include <string_view>

namespace orvane {

// A file only ever written at its end, one whole record per write() and none held back in a
// buffer: a killed process leaves every record it wrote complete; only a power cut can tear the
// last one.
class AppendFile {
 public:
  AppendFile() = default;
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;
  ~AppendFile();

  // Opens `path` for appending, creating it. With `cut_torn_line` a last line without its
  // newline is cut off, so that the next line does not glue onto it. 0 or the errno.
  int Open(const std::filesystem::path& path, bool cut_torn_line);
  void Close();
  bool is_open() const { return fd_ >= 0; }
  bool empty() const;

  // 0 or the errno; a record written in part is cut back off.
  int Append(std::string_view record);

 private:
  int CutTornLine();

  int fd_ = -1;
};

}  // namespace orvane
