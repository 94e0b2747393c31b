#include "lsp/message_stream.hpp"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>

namespace torvane::lsp {

bool MessageReader::Fill() {
  if (ended_) return false;
  if (start_ > 0 && start_ == buffer_.size()) {
    buffer_.clear();
    start_ = 0;
  }
  char chunk[65536];
  while (true) {
    const ssize_t n = ::read(fd_, chunk, sizeof chunk);
    if (n > 0) {
      buffer_.append(chunk, static_cast<std::size_t>(n));
      return true;
    }
    if (n < 0 && errno == EINTR) continue;
    ended_ = true;
    return false;
  }
}

bool MessageReader::Readable(int timeout_ms) {
  if (start_ < buffer_.size() || ended_) return true;
  pollfd poll_fd{fd_, POLLIN, 0};
  while (true) {
    const int ready = ::poll(&poll_fd, 1, timeout_ms);
    if (ready < 0 && errno == EINTR) continue;
    return ready != 0;
  }
}

std::optional<std::string> MessageReader::Line() {
  while (true) {
    const std::size_t end = buffer_.find("\r\n", start_);
    if (end != std::string::npos) {
      std::string line = buffer_.substr(start_, end - start_);
      start_ = end + 2;
      return line;
    }
    // A header line longer than this is no header.
    if (buffer_.size() - start_ > 4096) return std::nullopt;
    if (!Fill()) return std::nullopt;
  }
}

MessageReader::Message MessageReader::Read() {
  std::optional<std::size_t> length;
  bool bad = false;
  while (true) {
    const std::optional<std::string> line = Line();
    if (!line) return {ended_ ? Message::Kind::End : Message::Kind::BadHeader, {}};
    if (line->empty()) break;
    constexpr std::string_view kLength = "Content-Length:";
    if (line->compare(0, kLength.size(), kLength) == 0) {
      std::size_t value = 0;
      std::size_t first = kLength.size();
      while (first < line->size() && (*line)[first] == ' ') ++first;
      const auto [end, error] = std::from_chars(line->data() + first, line->data() + line->size(), value);
      if (error != std::errc() || end != line->data() + line->size()) bad = true;
      else length = value;
    }
  }
  if (bad || !length) return {Message::Kind::BadHeader, {}};
  const bool too_large = *length > max_bytes_;
  std::string body;
  std::size_t left = *length;
  while (left > 0) {
    if (start_ == buffer_.size() && !Fill()) return {Message::Kind::End, {}};
    const std::size_t take = std::min(left, buffer_.size() - start_);
    if (!too_large) body.append(buffer_, start_, take);
    start_ += take;
    left -= take;
  }
  if (too_large) return {Message::Kind::TooLarge, {}};
  return {Message::Kind::Body, std::move(body)};
}

bool WriteMessage(int fd, const std::string& body) {
  const std::string message = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
  for (std::size_t sent = 0; sent < message.size();) {
    const ssize_t n = ::write(fd, message.data() + sent, message.size() - sent);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace torvane::lsp
