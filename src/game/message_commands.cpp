// "@TXT", "@BGS" and the portrait.
#include "engine/operands.hpp"
#include "game/form1.hpp"
#include "pictures/picture.hpp"
#include "platform/script_error.hpp"

namespace torvane {

// A number outside the portrait set names no image, and drawing it draws
// nothing: the previous portrait stays.
void TForm1::DrawPortrait(std::int32_t number) {
  if (number < 0 || number > 10) return;
  Form.Image2Portrait = number;
  observer_.PortraitDrawn(number);
}

void TForm1::CmdTXT(const Operands& operands) {
  DrawPortrait(operands.Number);
  const ScenarioText& lines = *Engine.ScenarioLines;
  Engine.CurrentLine += 1;
  // The text starts with a line feed, so its first row is always empty.
  Form.Label1.Caption = "\n";
  for (BytesView message; !IsExactEnd(message = lines.At(Engine.CurrentLine));) {
    Form.Label1.Caption.append(message).push_back('\n');
    Engine.CurrentLine += 1;
  }
  WaitForClick();
  Engine.CurrentLine += 1;
}

// The format follows the extension, checked before the file is opened; the
// old picture stays until the new one has loaded completely.
void TForm1::CmdBGS(const Operands& operands) {
  const BytesView file_name = operands.Name;
  const PictureFormat format = PictureFormatForName(file_name);
  const auto bytes = folder_.ReadFile(file_name);
  if (!bytes) throw ScriptError(error_text::CannotOpenFile(file_name));
  auto picture = std::make_shared<const Picture>(DecodePicture(format, *bytes));
  Form.Image1Picture = picture;
  observer_.ScenePictureLoaded(file_name, *picture);
}

}  // namespace torvane
