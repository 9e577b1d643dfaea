// Receives the system's suspend and resume notifications.
#pragma once

namespace vorundel::linux_desktop {

class PowerObserver {
 public:
  virtual void OnSuspend() = 0;
  virtual void OnResume() = 0;

 protected:
  virtual ~PowerObserver() = default;
};

}  // namespace vorundel::linux_desktop
