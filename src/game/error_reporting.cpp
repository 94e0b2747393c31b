// The one path from an error to the player, and the boxes' reports.
#include <exception>
#include <new>

#include "game/form1.hpp"
#include "platform/cp932.hpp"
#include "platform/script_error.hpp"

namespace torvane {

std::optional<ErrorReport> TForm1::ErrorOf(const std::function<void()>& action, std::optional<std::int32_t> line) {
  Bytes text;
  try {
    action();
    return std::nullopt;
  } catch (const ScriptError& error) {
    text = error.Text();
  } catch (const std::bad_alloc&) {
    text = Sjis("メモリが足りません");
  } catch (const std::exception&) {
    // Nothing the player could act on: a fault of the program, not of the
    // game, reported without a text of the library's own.
    text = Sjis("予期しないエラーが発生しました");
  }
  return ErrorReport{std::move(text), line ? std::optional<Bytes>(scenario_file_) : std::nullopt, line};
}

bool TForm1::Guarded(const std::function<void()>& action, std::optional<std::int32_t> line) {
  const std::optional<ErrorReport> error = ErrorOf(action, line);
  if (error) ShowErrorBox(*error);
  return !error;
}

void TForm1::ShowErrorBox(const ErrorReport& error) {
  observer_.ErrorShown(error);
  host_.ShowErrorBox(error);
}

MessageBoxResult TForm1::ShowMessageBox(const MessageBoxRequest& box) {
  observer_.MessageBoxShown(box);
  return host_.ShowMessageBox(box);
}

}  // namespace torvane
