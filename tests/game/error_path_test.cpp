// Whatever a step, the music loop or a menu command raises reaches the
// player one way: the error box, with the game's own text.
#include <new>
#include <stdexcept>

#include "media/silent_media.hpp"
#include "support/game_fixture.hpp"

namespace torvane::testing {
namespace {

// Music whose opening or playing fails the way the platform can fail.
class FailingMusic final : public MusicDevice {
 public:
  enum class Failure { None, OutOfMemory, Library };
  Failure on_open = Failure::None;
  Failure on_play = Failure::None;

  bool IsPlaying() override { return false; }
  void Stop() override {}
  void Open(BytesView) override { Fail(on_open); }
  void Play() override { Fail(on_play); }
  void Close() override {}

 private:
  static void Fail(Failure failure) {
    if (failure == Failure::OutOfMemory) throw std::bad_alloc();
    if (failure == Failure::Library) throw std::runtime_error("mixer: unknown");
  }
};

class ErrorPath : public ::testing::Test {
 protected:
  ErrorPath() {
    std::filesystem::create_directories(dir_);
    std::ofstream(dir_ / kFirstScenario, std::ios::binary) << "@REM\n@BGM a.mid\n@TAG again\n@JMP again\n";
  }
  ~ErrorPath() override { std::filesystem::remove_all(dir_); }

  GameSetup FailingSetup() {
    GameSetup setup{dir_, dir_ / "Kesmar.ini", {}, {}};
    setup.Media = [this](const platform::GameFolder& folder, const platform::Clock&) {
      auto failing = std::make_unique<FailingMusic>();
      music_ = failing.get();
      music_->on_open = on_open_;
      music_->on_play = on_play_;
      return MediaDevices{std::move(failing), std::make_unique<SilentSound>(folder)};
    };
    return setup;
  }

  std::filesystem::path dir_ = NewFolderName();
  FailingMusic::Failure on_open_ = FailingMusic::Failure::None;
  FailingMusic::Failure on_play_ = FailingMusic::Failure::None;
  FailingMusic* music_ = nullptr;
  RecordingHost host;
};

TEST_F(ErrorPath, PlatformFailuresInAStepStopTheScriptWithTheGamesText) {
  for (const auto& [failure, text] : {std::pair{FailingMusic::Failure::OutOfMemory, "メモリが足りません"},
                                      std::pair{FailingMusic::Failure::Library, "予期しないエラーが発生しました"}}) {
    on_open_ = failure;
    RecordingHost seen;
    VirtualGame game(FailingSetup(), seen, seen);
    TForm1& form = game.Game.Form();
    form.RunMenuCommand(&TForm1::N1Click);
    game.Time.RunUntil(game.Time.After(500));
    ASSERT_EQ(seen.errors.size(), 1u) << text;
    EXPECT_EQ(seen.LastErrorUtf8(), text);
    EXPECT_EQ(seen.errors[0].File, "Sinario00.txt");
    EXPECT_EQ(seen.errors[0].Line, 1);
    EXPECT_EQ(form.Engine.CurrentLine, 1) << "the failing line stays current";
    EXPECT_FALSE(form.Timer2.Enabled());
  }
}

TEST_F(ErrorPath, TheMusicLoopsFailureIsShownWithoutALine) {
  RecordingHost seen;
  VirtualGame game(FailingSetup(), seen, seen);
  TForm1& form = game.Game.Form();
  form.RunMenuCommand(&TForm1::N1Click);
  game.Time.RunUntil(game.Time.After(150));
  ASSERT_TRUE(form.Timer1.Enabled());
  music_->on_play = FailingMusic::Failure::Library;
  game.Time.RunUntil(game.Time.After(1000));
  ASSERT_EQ(seen.errors.size(), 1u);
  EXPECT_EQ(seen.LastErrorUtf8(), "予期しないエラーが発生しました");
  EXPECT_FALSE(seen.errors[0].Line.has_value());
  EXPECT_TRUE(form.Timer2.Enabled()) << "the script goes on";
}

// The game's own way of ending a run is no standard exception and passes
// through, so a front end can end from inside a step.
TEST_F(ErrorPath, ExceptionsOfTheFrontEndPassThrough) {
  struct EndOfRun {};
  struct EndingHost final : ModalHost {
    void ShowErrorBox(const ErrorReport&) override {}
    MessageBoxResult ShowMessageBox(const MessageBoxRequest&) override { throw EndOfRun{}; }
    void RunItemDialog(TForm2&) override {}
    void WaitHandlingMessages(std::int64_t) override {}
    void CloseMainWindow() override {}
  } ending;
  GameObserver quiet;
  VirtualGame game(FailingSetup(), ending, quiet);
  EXPECT_THROW(game.Game.Form().RunMenuCommand(&TForm1::MENU12Click), EndOfRun);
}

}  // namespace
}  // namespace torvane::testing
