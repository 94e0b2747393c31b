// The full-screen narration: "@STR", "@STX", "@STE" and the ending "@LST".
#include "platform/cp932.hpp"
#include "ui/form1.hpp"

namespace torvane {
namespace {

constexpr std::int64_t kPageMs = 4000;

}  // namespace

void TForm1::CmdSTR(BytesView /*line*/) {
  for (Control* control : {&Form.Image1, &Form.Image2, &Form.Label1, &Form.Label2, &Form.Label3, &Form.ListBox1}) {
    control->Visible = false;
  }
  Form.Label4.Visible = true;
  Form.Color = WindowColor::Black;
  host_.ScreenShown(ScreenMode::Narration);
  Engine.CurrentLine += 1;
}

// The whole narration runs inside one step. After each page's "@END" the
// next line is tested for the narration's end, then for an inline "@BGM",
// then for an inline "@SEM"; the line reached after that is the next page's
// head line and is passed over unseen.
void TForm1::CmdSTX(BytesView line) {
  const ScenarioText& lines = *Engine.ScenarioLines;
  BytesView current = line;
  while (true) {
    if (current == "@STE" || current == "@LST") return;
    if (OpcodeOf(current) == "@BGM") {
      CmdBGM(current);
      current = lines.At(Engine.CurrentLine);
    }
    if (OpcodeOf(current) == "@SEM") {
      CmdSEM(current);
      current = lines.At(Engine.CurrentLine);
    }
    Engine.CurrentLine += 1;
    current = lines.At(Engine.CurrentLine);
    Form.Label4.Caption.clear();
    while (current != "@END") {
      Form.Label4.Caption.append(current).push_back('\n');
      Engine.CurrentLine += 1;
      current = lines.At(Engine.CurrentLine);
    }
    // The page is complete before it is painted, and the wait counts from here.
    host_.PageShown(Form.Label4.Caption);
    host_.WaitHandlingMessages(kPageMs);
    Engine.CurrentLine += 1;
    current = lines.At(Engine.CurrentLine);
  }
}

// The window stays black: the normal screen is drawn on black, not on the
// window's design colour.
void TForm1::ShowNormalScreen() {
  Form.Color = WindowColor::Black;
  for (Control* control : {&Form.Image1, &Form.Image2, &Form.Label1, &Form.Label2, &Form.Label3, &Form.ListBox1}) {
    control->Visible = true;
  }
  Form.Label4.Visible = false;
  Form.Label4.Caption.clear();
  Form.MENU01.Visible = true;
  host_.ScreenShown(ScreenMode::Normal);
  Engine.CurrentLine += 1;
}

void TForm1::CmdSTE(BytesView /*line*/) { ShowNormalScreen(); }

// The ending neither restores the screen nor stops the music or the script.
void TForm1::CmdLST(BytesView /*line*/) {
  Form.N1.Visible = false;
  host_.ShowMessageBox({platform::Utf8ToCp932("最後までプレイしていただき、ありがとうございました\n"
                                              "メニューから終了させて下さい"),
                        platform::Utf8ToCp932("ゲームオーバー"), MessageBoxButtons::Ok});
  Engine.CurrentLine += 1;
}

}  // namespace torvane
