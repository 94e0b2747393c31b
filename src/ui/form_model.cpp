#include "ui/form_model.hpp"

#include "platform/cp932.hpp"

namespace torvane {
namespace {

using enum ControlKind;
using enum PressHandler;

Control Make(std::string_view name, ControlKind kind, Rect bounds, bool visible, PressHandler press, Bytes caption = {}) {
  return Control{name, kind, bounds, visible, press, true, std::move(caption)};
}

MenuItem Item(std::string_view name, std::string_view caption_utf8) {
  return MenuItem{name, Sjis(caption_utf8), true, true};
}

}  // namespace

FormModel::FormModel()
    : Caption("Torvane"),
      Image1(Make("Image1", Image, {8, 6, 440, 280}, true, Image1MouseDown)),
      Label1(Make("Label1", Label, {175, 280, 450, 139}, true, Label1MouseDown)),
      Label2(Make("Label2", Label, {456, 8, 169, 25}, true, Label1MouseDown, Sjis("コマンド"))),
      Label3(Make("Label3", Label, {16, 176, 425, 41}, false, Image1MouseDown)),
      Image2(Make("Image2", Image, {8, 256, 160, 170}, true, Image1MouseDown)),
      Label4(Make("Label4", Label, {0, 0, kClientWidth, kClientHeight}, true, None)),
      Image3(Make("Image3", Image, {0, 0, kClientWidth, kClientHeight}, true, None)),
      ListBox1(Make("ListBox1", ListBox, {456, 40, 169, 233}, false, None)),
      MediaPlayer1(Make("MediaPlayer1", MediaPlayer, {352, 48, 253, 30}, false, None)),
      MediaPlayer2(Make("MediaPlayer2", MediaPlayer, {352, 88, 253, 30}, false, None)),
      MENU01(Item("MENU01", "ゲーム(&G)")),
      N1(Item("N1", "スタート(&S)")),
      CONTI(Item("CONTI", "続きから")),
      MENU12(Item("MENU12", "終了(&X)")) {}

std::array<Control*, 10> FormModel::CreationOrder() {
  return {&Image1, &Label1, &Label2, &Label3, &Image2, &Label4, &Image3, &ListBox1, &MediaPlayer1, &MediaPlayer2};
}

std::array<const Control*, 10> FormModel::CreationOrder() const {
  return {&Image1, &Label1, &Label2, &Label3, &Image2, &Label4, &Image3, &ListBox1, &MediaPlayer1, &MediaPlayer2};
}

}  // namespace torvane
