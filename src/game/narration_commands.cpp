// The full-screen narration: "@STR", "@STX", "@STE" and the ending "@LST".
#include "game/form1.hpp"
#include "platform/cp932.hpp"

namespace torvane {
namespace {

constexpr std::int64_t kPageMs = 4000;

}  // namespace

void TForm1::CmdSTR(const Operands& /*operands*/) {
  for (Control* control : {&Form.Image1, &Form.Image2, &Form.Label1, &Form.Label2, &Form.Label3, &Form.ListBox1}) {
    control->Visible = false;
  }
  Form.Label4.Visible = true;
  Form.Color = WindowColor::Black;
  observer_.ScreenShown(ScreenMode::Narration);
}

// The whole narration runs inside one step. After each page's "@END" the
// next line is tested for the narration's end, then for an inline "@BGM",
// then for an inline "@SEM"; the line reached after that is the next page's
// head line and is passed over unseen.
void TForm1::CmdSTX(const Operands& operands) {
  const ScenarioText& lines = *Engine.ScenarioLines;
  BytesView current = operands.Line;
  while (true) {
    if (current == "@STE" || current == "@LST") return;
    if (OpcodeOf(current) == "@BGM") {
      RunInline(current);
      current = lines.At(Engine.CurrentLine);
    }
    if (OpcodeOf(current) == "@SEM") {
      RunInline(current);
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
    observer_.PageShown(Form.Label4.Caption);
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
  observer_.ScreenShown(ScreenMode::Normal);
}

void TForm1::CmdSTE(const Operands& /*operands*/) { ShowNormalScreen(); }

// The ending neither restores the screen nor stops the music or the script.
void TForm1::CmdLST(const Operands& /*operands*/) {
  Form.N1.Visible = false;
  ShowMessageBox({Sjis("最後までプレイしていただき、ありがとうございました\n"
                       "メニューから終了させて下さい"),
                  Sjis("ゲームオーバー"), MessageBoxButtons::Ok});
}

}  // namespace torvane
