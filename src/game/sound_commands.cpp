// "@BGM", "@SEM" and the music loop.
#include "game/form1.hpp"

namespace torvane {

// The loop timer is off while the track changes, so no restart comes in
// between. When the open fails, the old track is already closed and the
// timer stays off, so nothing asks an unopened player to play.
void TForm1::CmdBGM(const Operands& operands) {
  const BytesView file_name = operands.Name;
  Timer1.SetEnabled(false);
  if (music_.IsPlaying()) music_.Stop();
  music_.Open(file_name);
  music_.Play();
  observer_.MusicStarted(file_name);
  Timer1.SetEnabled(true);
}

// A track that played out is stopped at its end; playing it again rewinds
// it, so the music loops with a pause of at most one timer interval.
void TForm1::Timer1Timer() {
  Guarded(
      [this] {
        if (!music_.IsPlaying()) music_.Play();
      },
      std::nullopt);
}

void TForm1::CmdSEM(const Operands& operands) {
  if (sounds_.Play(operands.Name)) observer_.SoundStarted(operands.Name);
}

}  // namespace torvane
