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
}

}  // namespace torvane
