#include "ui/form1.hpp"

namespace torvane {

TForm1::TForm1(GameHost& host, const platform::Clock& clock, const platform::GameFolder& folder)
    : Timer1(clock, 1000, false), Timer2(clock, 50, true), host_(host), folder_(folder) {
  Timers.Add(Timer1);
  Timers.Add(Timer2);
  Timer2.OnTimer = [this] { Timer2Timer(); };
}

}  // namespace torvane
