// Commands whose effects are not yet played by this version. They stop the
// script with a message naming the command, rather than doing something
// wrong silently.
#include "engine/script_error.hpp"
#include "ui/form1.hpp"

namespace torvane {

#define TORVANE_PENDING(op) \
  void TForm1::Cmd##op(BytesView /*line*/) { throw ScriptError(error_text::NotYetPlayable("@" #op)); }

TORVANE_PENDING(CMD)
TORVANE_PENDING(FON)
TORVANE_PENDING(FOF)
TORVANE_PENDING(TXT)
TORVANE_PENDING(BGM)
TORVANE_PENDING(SEM)
TORVANE_PENDING(CLF)
TORVANE_PENDING(FJP)
TORVANE_PENDING(FSB)
TORVANE_PENDING(BGS)
TORVANE_PENDING(LST)
TORVANE_PENDING(STR)
TORVANE_PENDING(STX)
TORVANE_PENDING(STE)
TORVANE_PENDING(IIZ)
TORVANE_PENDING(IGG)
TORVANE_PENDING(IGN)
TORVANE_PENDING(IUU)
TORVANE_PENDING(IUN)
TORVANE_PENDING(ICL)
TORVANE_PENDING(IVW)
TORVANE_PENDING(ITM)
TORVANE_PENDING(ISS)
TORVANE_PENDING(ISJ)
TORVANE_PENDING(SAV)

#undef TORVANE_PENDING

}  // namespace torvane
