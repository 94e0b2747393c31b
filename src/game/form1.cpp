#include "game/form1.hpp"

namespace torvane {

TForm1::TForm1(const FormServices& services)
    : Timer1(services.Clock, 1000, false),
      Timer2(services.Clock, 50, true),
      host_(services.Host),
      observer_(services.Observer),
      folder_(services.Folder),
      music_(services.Music),
      sounds_(services.Sounds),
      save_point_(services.SavePoint) {
  Timers.Add(Timer1);
  Timers.Add(Timer2);
  Timer1.OnTimer = [this] { Timer1Timer(); };
  Timer2.OnTimer = [this] { Timer2Timer(); };
  // The music loop only restarts a track that played out.
  Timer1.Idle = [this] { return music_.IsPlaying(); };
  // With a gate closed a tick does nothing at all; on a line that is not a
  // command it only reports the line again.
  Timer2.Idle = [this] { return Engine.ClickGate != 1 || Engine.MenuGate != 1; };
  Timer2.Repeating = [this] { return stuck_line_ == Engine.CurrentLine; };
}

}  // namespace torvane
