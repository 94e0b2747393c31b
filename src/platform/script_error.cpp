#include "platform/script_error.hpp"

#include <string>

#include "platform/cp932.hpp"

namespace torvane::error_text {

Bytes ListIndexOutOfBounds(std::int64_t index) {
  return Sjis("リストのインデックスが範囲を超えています (" + std::to_string(index) + ")");
}

Bytes NotAnInteger(BytesView slice) {
  return "'" + Bytes(slice) + Sjis("' は整数ではありません");
}

Bytes CannotOpenFile(BytesView file_name) {
  return Sjis("ファイル ") + Bytes(file_name) + Sjis(" は開けません");
}

// The limit is given in megabytes, as Windows counts them (2^20 bytes).
Bytes FileTooLarge(BytesView file_name, std::uint64_t limit) {
  return Sjis("ファイル ") + Bytes(file_name) + Sjis(" は大きすぎます (" + std::to_string(limit >> 20) + " MB まで)");
}

Bytes UndefinedTag(BytesView name) {
  return Sjis("ラベル「") + Bytes(name) + Sjis("」(@TAG) がこのファイルにありません");
}

Bytes UndefinedSub(BytesView name) {
  return Sjis("サブルーチン「") + Bytes(name) + Sjis("」(@SUB) がこのファイルにありません");
}

Bytes ReturnWithoutCall(BytesView opcode) {
  return Bytes(opcode) + Sjis(" の戻り先がありません (サブルーチンの外で実行されました)");
}

Bytes CallTooDeep(int capacity) {
  return Sjis("サブルーチンの呼び出しが深すぎます (" + std::to_string(capacity) + " 段まで)");
}

Bytes TooManyLabels(BytesView file_name, BytesView opcode, std::size_t count, std::size_t capacity) {
  return Sjis("ファイル ") + Bytes(file_name) + Sjis(" には ") + Bytes(opcode) +
         Sjis(" が " + std::to_string(count) + " 個あります (" + std::to_string(capacity) + " 個まで)");
}

Bytes TooManyLines(BytesView file_name, std::int64_t capacity) {
  return Sjis("ファイル ") + Bytes(file_name) + Sjis(" は行が多すぎます (" + std::to_string(capacity) + " 行まで)");
}

Bytes CannotOpenMusic(BytesView file_name) {
  return Sjis("音楽ファイル「") + Bytes(file_name) + Sjis("」を開けません");
}

Bytes CannotWrite(BytesView path) { return Bytes(path) + Sjis(" に書き込めません"); }

Bytes FlagOutOfRange(std::int32_t flag) {
  return Sjis("フラグ " + std::to_string(flag) + " はありません (00 から 99 まで)");
}

Bytes UndefinedItem(BytesView name) {
  return Sjis("アイテム「") + Bytes(name) + Sjis("」は定義されていません");
}

Bytes TooManyItems(std::size_t capacity) {
  return Sjis("アイテムの定義が多すぎます (" + std::to_string(capacity) + " 個まで)");
}

Bytes TooManyMenuEntries(std::size_t capacity) {
  return Sjis("コマンドが多すぎます (" + std::to_string(capacity) + " 個まで)");
}

}  // namespace torvane::error_text
