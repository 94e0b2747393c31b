#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace torvane::lsp {

// The base protocol: each message is a header of "Name: value" lines, of
// which only Content-Length matters, an empty line, and that many bytes
// of JSON.
class MessageReader {
 public:
  MessageReader(int fd, std::size_t max_message_bytes) : fd_(fd), max_bytes_(max_message_bytes) {}

  struct Message {
    enum class Kind { Body, TooLarge, BadHeader, End };
    Kind What = Kind::End;
    std::string Body;
  };

  // The next message; a body over the limit is read past and dropped, so
  // the stream stays in step.
  Message Read();
  // Whether a byte can be read within `timeout_ms` (-1: wait for ever).
  bool Readable(int timeout_ms);

 private:
  bool Fill();
  std::optional<std::string> Line();

  int fd_;
  std::size_t max_bytes_;
  std::string buffer_;
  std::size_t start_ = 0;
  bool ended_ = false;
};

// Writes one message with its header; false when the stream is closed.
bool WriteMessage(int fd, const std::string& body);

}  // namespace torvane::lsp
