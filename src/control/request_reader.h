#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// Longest request line the service reads; a request is far shorter.
inline constexpr std::size_t kMaxRequestLineBytes = 4096;

// Cuts a client's bytes into lines with bounded memory: it never holds more than the longest
// line plus what the last Append gave. A line over the limit comes out once as too long, and
// the rest of it is skipped up to its newline, so the next line is read as usual.
class RequestReader {
 public:
  explicit RequestReader(std::size_t max_line = kMaxRequestLineBytes) : max_line_(max_line) {}

  struct Line {
    std::string text;  // without its newline (nor a '\r' before it)
    bool too_long = false;
  };

  // Call Next() until it gives nothing before appending again.
  void Append(std::string_view bytes);
  std::optional<Line> Next();

  // Bytes of a line not yet complete.
  std::size_t Pending() const { return pending_.size() - start_; }

 private:
  std::size_t max_line_;
  std::string pending_;
  std::size_t start_ = 0;  // where the unread part of pending_ begins
  bool skipping_ = false;  // inside a line that was too long
};

}  // namespace orvane
