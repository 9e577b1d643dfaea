#include "core/user_return.h"

namespace vorundel {

bool UserReturn::Notice(PowerEvent event) {
  switch (event) {
    case PowerEvent::kSuspend:
      slept_ = true;
      return false;
    case PowerEvent::kResumeAutomatic:
      // A resume means a sleep, though its suspend notice went missing;
      // one that comes with the screen already lit belongs to the return
      // just seen (modern standby sends them in either order).
      slept_ = slept_ || !displayLit_;
      return false;
    case PowerEvent::kResumeByUser:
      slept_ = false;
      return true;
    case PowerEvent::kDisplayOff:
      displayLit_ = false;
      return false;
    case PowerEvent::kDisplayDimmed:
      displayLit_ = true;
      return false;
    case PowerEvent::kDisplayOn: {
      // Lit after a sleep: the user opened the lid or pressed a key. Lit
      // after idling with the system awake: nothing.
      const bool back = slept_;
      slept_ = false;
      displayLit_ = true;
      return back;
    }
  }
  return false;
}

}  // namespace vorundel
