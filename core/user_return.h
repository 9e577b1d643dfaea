// Whether a power notification means that the user is back from a
// suspend. A wake by a timer, a maintenance task or the network has no
// one at the machine: it must not use up the arming.
#pragma once

namespace vorundel {

enum class PowerEvent {
  kSuspend,          // the system is going to sleep
  kResumeAutomatic,  // it woke, with or without a user
  kResumeByUser,     // it woke and someone is at the console
  kDisplayOff,
  kDisplayDimmed,
  kDisplayOn,
};

class UserReturn {
 public:
  // True when `event` is the user's return after a suspend.
  bool Notice(PowerEvent event);

 private:
  // A sleep was seen and no return since.
  bool slept_ = false;
  bool displayLit_ = false;
};

}  // namespace vorundel
