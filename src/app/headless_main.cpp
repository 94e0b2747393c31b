// torvane-headless: a game on a virtual clock, with scripted input and a
// JSON Lines transcript.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>

#include <QApplication>
#include <QPainter>

#include "app/headless/command_line.hpp"
#include "app/headless/input_script.hpp"
#include "app/headless/runner.hpp"
#include "ui/qt/client_image.hpp"
#include "ui/qt/item_dialog_window.hpp"

using namespace torvane::headless;
using torvane::WaitKind;

namespace {

std::optional<std::string> ReadInput(const std::string& name) {
  if (name == "-") return std::string(std::istreambuf_iterator<char>(std::cin), {});
  std::ifstream file(name, std::ios::binary);
  if (!file) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(file), {});
}

// Writes the client area as DIR/NNNN-WAIT.png whenever the game waits.
class ScreenshotWriter {
 public:
  explicit ScreenshotWriter(std::filesystem::path dir)
      : dir_(std::move(dir)), assets_(torvane::qt::LoadFormAssets()) {}

  bool Write(const torvane::TForm1& form, WaitKind wait, torvane::TForm2* dialog) {
    char name[64];
    std::snprintf(name, sizeof name, "%04d-%s.png", ++count_, WaitName(wait));
    QImage image = torvane::qt::RenderClientArea(form.Form, assets_);
    if (dialog) DrawItemDialog(image, *dialog);
    return image.save(QString::fromStdString((dir_ / name).string()), "PNG");
  }

 private:
  // The item dialog lies over the window while it is open: its client area
  // as the dialog window paints it, under a plain caption bar, where it
  // opens (20 pixels right of and below the window's corner).
  static void DrawItemDialog(QImage& image, torvane::TForm2& dialog) {
    torvane::qt::ItemDialogWindow window(dialog, nullptr);
    const QImage client = window.grab().toImage();
    constexpr int kLeft = 20, kTop = 20, kCaption = 22;
    QPainter painter(&image);
    const QRect frame(kLeft, kTop, client.width() + 2, client.height() + kCaption + 1);
    painter.fillRect(frame, QColor(64, 72, 96));
    painter.setPen(Qt::white);
    painter.drawText(QRect(kLeft + 8, kTop, client.width() - 8, kCaption), Qt::AlignVCenter | Qt::AlignLeft,
                     window.windowTitle());
    painter.drawImage(kLeft + 1, kTop + kCaption, client);
  }

  std::filesystem::path dir_;
  torvane::qt::FormAssets assets_;
  int count_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  const auto parsed = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), TORVANE_VERSION);
  if (const auto* exit = std::get_if<CommandLineExit>(&parsed)) {
    (exit->Status == kExitNormal ? std::cout : std::cerr) << exit->Text;
    return exit->Status;
  }
  const CommandLine& options = std::get<CommandLine>(parsed);
  // Checked before anything is written, so a mistyped folder leaves no
  // transcript behind.
  if (const auto bad_dir = CheckGameDir(options.Runner.GameDir)) {
    std::cerr << bad_dir->Text;
    return bad_dir->Status;
  }

  std::vector<InputAction> inputs;
  if (options.InputFile) {
    auto text = ReadInput(*options.InputFile);
    if (!text) {
      std::cerr << "torvane-headless: cannot read the input file '" << *options.InputFile << "'\n";
      return kExitUsage;
    }
    auto script = ParseInputScript(*text);
    if (const auto* error = std::get_if<InputParseError>(&script)) {
      std::cerr << "torvane-headless: " << *options.InputFile << ":" << error->LineNumber << ": "
                << error->Message << "\n";
      return kExitUsage;
    }
    inputs = std::get<std::vector<InputAction>>(std::move(script));
  }

  std::ofstream file;
  if (options.TranscriptFile != "-") {
    file.open(options.TranscriptFile, std::ios::binary | std::ios::trunc);
    if (!file) {
      std::cerr << "torvane-headless: cannot write the transcript '" << options.TranscriptFile << "'\n";
      return kExitUsage;
    }
  }
  std::ostream& transcript = options.TranscriptFile == "-" ? std::cout : file;
  // Pictures need a QApplication, never a display.
  std::unique_ptr<QApplication> app;
  std::unique_ptr<ScreenshotWriter> screenshots;
  if (options.ScreenshotDir) {
    std::error_code error;
    std::filesystem::create_directories(*options.ScreenshotDir, error);
    if (!std::filesystem::is_directory(*options.ScreenshotDir)) {
      std::cerr << "torvane-headless: cannot create the screenshot folder '" << *options.ScreenshotDir << "'\n";
      return kExitUsage;
    }
    // No display is needed: the offscreen platform unless one was chosen.
    if (const char* platform = std::getenv("QT_QPA_PLATFORM"); !platform || !*platform) {
      setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    app = std::make_unique<QApplication>(argc, argv);
    screenshots = std::make_unique<ScreenshotWriter>(*options.ScreenshotDir);
  }
  Runner runner(options.Runner, transcript);
  if (screenshots) {
    runner.SetWaitObserver([&](WaitKind wait) {
      if (!screenshots->Write(runner.Form(), wait, runner.OpenItemDialog())) {
        std::cerr << "torvane-headless: cannot write a screenshot in '" << *options.ScreenshotDir << "'\n";
      }
    });
  }
  return runner.Run(inputs);
}
