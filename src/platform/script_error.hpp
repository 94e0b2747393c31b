#pragma once

#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "platform/bytes.hpp"

namespace torvane {

// An error raised during a step or a menu command. Its text is the exact
// message the player sees, in code page 932, ready for the error box.
class ScriptError : public std::runtime_error {
 public:
  explicit ScriptError(Bytes text) : std::runtime_error(text), text_(std::move(text)) {}
  const Bytes& Text() const { return text_; }

 private:
  Bytes text_;
};

// The messages a player can meet. Each returns code page 932 bytes; the
// operands are inserted as the script wrote them.
namespace error_text {
Bytes ListIndexOutOfBounds(std::int64_t index);
Bytes NotAnInteger(BytesView slice);
Bytes CannotOpenFile(BytesView file_name);
Bytes FileTooLarge(BytesView file_name, std::uint64_t limit);
Bytes UndefinedTag(BytesView name);
Bytes UndefinedSub(BytesView name);
Bytes ReturnWithoutCall(BytesView opcode);
Bytes CallTooDeep(int capacity);
Bytes TooManyLabels(BytesView file_name, BytesView opcode, std::size_t count, std::size_t capacity);
Bytes TooManyLines(BytesView file_name, std::int64_t capacity);
Bytes CannotOpenMusic(BytesView file_name);
Bytes CannotWrite(BytesView path);
Bytes FlagOutOfRange(std::int32_t flag);
Bytes UndefinedItem(BytesView name);
Bytes TooManyItems(std::size_t capacity);
Bytes TooManyMenuEntries(std::size_t capacity);
}  // namespace error_text

}  // namespace torvane
