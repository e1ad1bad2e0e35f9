#include "service/append_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <string_view>
#include <utility>

namespace orvane {

AppendFile::~AppendFile() { Close(); }

int AppendFile::Open(const std::filesystem::path& path, bool cut_torn_line) {
  Close();
  fd_ = open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) return errno;
  const int error = cut_torn_line ? CutTornLine() : 0;
  if (error != 0) Close();
  return error;
}

void AppendFile::Close() {
  if (fd_ >= 0) close(std::exchange(fd_, -1));
}

bool AppendFile::empty() const {
  struct stat status {};
  return fstat(fd_, &status) == 0 && status.st_size == 0;
}

int AppendFile::CutTornLine() {
  struct stat status {};
  if (fstat(fd_, &status) != 0) return errno;
  // From the end back to the last newline, a chunk at a time.
  std::array<char, 4096> chunk;
  off_t end = status.st_size;
  while (end > 0) {
    const off_t start = std::max<off_t>(0, end - static_cast<off_t>(chunk.size()));
    const auto length = static_cast<std::size_t>(end - start);
    if (pread(fd_, chunk.data(), length, start) != static_cast<ssize_t>(length)) {
      return errno != 0 ? errno : EIO;
    }
    if (const std::size_t newline = std::string_view(chunk.data(), length).rfind('\n');
        newline != std::string_view::npos) {
      end = start + static_cast<off_t>(newline) + 1;
      break;
    }
    end = start;
  }
  return end == status.st_size || ftruncate(fd_, end) == 0 ? 0 : errno;
}

int AppendFile::Append(std::string_view record) {
  std::size_t done = 0;
  while (done < record.size()) {
    const ssize_t written = write(fd_, record.data() + done, record.size() - done);
    if (written > 0) {
      done += static_cast<std::size_t>(written);
      continue;
    }
    // A short write is followed by one that tells why (ENOSPC, EFBIG).
    const int error = written < 0 ? errno : EIO;
    if (error == EINTR) continue;
    struct stat status {};
    if (done > 0 && (fstat(fd_, &status) != 0 ||
                     ftruncate(fd_, status.st_size - static_cast<off_t>(done)) != 0)) {
      return errno;
    }
    return error;
  }
  return 0;
}

}  // namespace orvane
