#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/bytes.hpp"
#include "pictures/picture.hpp"

namespace torvane {

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool Contains(int x, int y) const { return x >= left && x < left + width && y >= top && y < top + height; }
};

enum class ControlKind { Image, Label, ListBox, MediaPlayer };

// Which of the window's press handlers a control is bound to.
enum class PressHandler { None, FormMouseDown, Label1MouseDown, Image1MouseDown };

struct Control {
  std::string_view Name;
  ControlKind Kind;
  Rect Bounds;
  bool Visible;
  PressHandler Press;
  bool Enabled = true;
  Bytes Caption;  // code page 932; labels only

  // Pictures and labels are drawn by the window itself and lie below every
  // child window; the list box and the media players are child windows.
  bool Windowless() const { return Kind == ControlKind::Image || Kind == ControlKind::Label; }
};

struct MenuItem {
  std::string_view Name;
  Bytes Caption;  // code page 932, "&" marks the accelerator
  bool Visible = true;
  bool Enabled = true;
};

// The application's cursor table. Number 0 is the default cursor of
// whatever lies under the pointer; number 1 is the waiting cursor once
// registered. A current cursor other than 0 replaces every other cursor.
struct CursorTable {
  std::map<int, std::string_view> Registered;  // number -> cursor resource name
  int Current = 0;

  void Register(int number, std::string_view resource) { Registered[number] = resource; }
};

enum class WindowColor { BtnFace, Black };

// The main window as toolkit-free state: what the window shows, what a
// press reaches and what the menu offers. The desktop window renders it;
// the headless runner reads it.
struct FormModel {
  static constexpr int kClientWidth = 632;
  static constexpr int kClientHeight = 426;
  // Both list boxes draw their entries in a 19-pixel font, one entry to a
  // 19-pixel row, so a press's row is its offset divided by this.
  static constexpr int kListRowHeight = 19;

  FormModel();

  Bytes Caption;
  WindowColor Color = WindowColor::BtnFace;
  int Left = 243;  // outer top-left corner on the screen
  int Top = 215;

  // In creation order, which is the stacking order: each lies above the
  // ones before it, and the child windows above all windowless controls.
  Control Image1;        // the scene picture
  Control Label1;        // the message area
  Control Label2;        // the command caption
  Control Label3;        // the overlay label, whose empty text nothing changes
  Control Image2;        // the portrait
  Control Label4;        // the full-screen narration page
  Control Image3;        // the title picture
  Control ListBox1;      // the command list
  Control MediaPlayer1;  // the music player
  Control MediaPlayer2;  // placed on the window, driven by nothing

  std::shared_ptr<const Picture> Image1Picture;  // the scene picture, none at creation
  std::optional<int> Image2Portrait;             // the portrait drawn last, none at creation
  std::vector<Bytes> ListBox1Items;
  int ListBox1ItemIndex = -1;

  MenuItem MENU01;  // "ゲーム(&G)"
  MenuItem N1;      // "スタート(&S)"
  MenuItem CONTI;   // "続きから"
  MenuItem MENU12;  // "終了(&X)"

  CursorTable Cursors;

  std::array<Control*, 10> CreationOrder();
  std::array<const Control*, 10> CreationOrder() const;
};

}  // namespace torvane
