// Whether the main window counts as minimized, which is what arms it.
//
// X11 window managers report minimize and restore, so the window state is
// the answer. Wayland compositors never tell a client it is minimized or
// restored: there the window counts as minimized from our own minimize
// until it is activated again after having lost activation (an activation
// still in flight from the closing confirmation box must not disarm it).
#pragma once

namespace vorundel::ui {

class MinimizedState {
 public:
  explicit MinimizedState(bool stateIsReported)
      : stateIsReported_(stateIsReported) {}

  void Minimizing() {
    minimizedByUs_ = true;
    lostActivation_ = false;
  }

  void ActivationChanged(bool active) {
    if (!minimizedByUs_) {
      return;
    }
    if (!active) {
      lostActivation_ = true;
    } else if (lostActivation_) {
      minimizedByUs_ = false;
    }
  }

  // `windowStateMinimized`: what the toolkit's window state says.
  bool IsMinimized(bool windowStateMinimized) const {
    return stateIsReported_ ? windowStateMinimized : minimizedByUs_;
  }

 private:
  bool stateIsReported_;
  bool minimizedByUs_ = false;
  bool lostActivation_ = false;
};

}  // namespace vorundel::ui
