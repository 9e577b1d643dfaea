// The OS half of the platform on a Linux desktop. The window half
// (message box, window state, Label1, unload) belongs to the toolkit's
// window and is left to a subclass.
#pragma once

#include "platform/linux/async_bus.h"
#include "platform/linux/logind_power_source.h"
#include "platform/linux/power_observer.h"
#include "platform/platform.h"

namespace vorundel::linux_desktop {

class LinuxServices : public Platform {
 public:
  // Resume and suspend notifications go to `powerObserver` from now on.
  explicit LinuxServices(PowerObserver& powerObserver);

  std::unique_ptr<ClassesKey> OpenClassesKey(
      const std::u16string& subkey) override;
  std::optional<std::uint32_t> FileAttributes(
      const std::u16string& path) override;
  std::u16string CurrentDirectory() override;
  // Desktop launchers are associated files of their own type, not links.
  std::optional<std::u16string> ShortcutTarget(const std::u16string&) override {
    return std::nullopt;
  }
  std::int32_t ShellOpen(const std::u16string& path,
                         const std::u16string& directory) override;
  // '*' and '?' are ordinary characters in Linux file names.
  bool WildcardsInFileNames() const override { return false; }
  bool CanReceiveResume() override;

 protected:
  // The X server's time now, for the launched application's focus; 0 where
  // the window is no X11 window.
  virtual std::uint32_t X11Time() { return 0; }

 private:
  LogindPowerSource power_;
  // Held from the start so that a launch, which announces itself on the
  // session bus, does not first have to connect to it.
  AsyncBus session_{G_BUS_TYPE_SESSION};
};

}  // namespace vorundel::linux_desktop
