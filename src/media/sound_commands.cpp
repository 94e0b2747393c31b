// "@BGM", "@SEM" and the music loop.
#include "engine/operands.hpp"
#include "ui/form1.hpp"

namespace torvane {

// The loop timer is off while the track changes, so no restart comes in
// between. When the open fails, the old track is already closed and the
// timer stays off, so nothing asks an unopened player to play.
void TForm1::CmdBGM(BytesView line) {
  const BytesView file_name = FileOperand(line);
  Timer1.SetEnabled(false);
  if (music_.IsPlaying()) music_.Stop();
  music_.Open(file_name);
  music_.Play();
  host_.MusicStarted(file_name);
  Timer1.SetEnabled(true);
  Engine.CurrentLine += 1;
}

// A track that played out is stopped at its end; playing it again rewinds
// it, so the music loops with a pause of at most one timer interval.
void TForm1::Timer1Timer() {
  if (!music_.IsPlaying()) music_.Play();
}

void TForm1::CmdSEM(BytesView line) {
  const BytesView file_name = FileOperand(line);
  if (sounds_.Play(file_name)) host_.SoundStarted(file_name);
  Engine.CurrentLine += 1;
}

}  // namespace torvane
