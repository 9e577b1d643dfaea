// The whole platform of the Linux desktop program: the OS services, plus
// the window operations answered by Form1.
#pragma once

#include "platform/linux/linux_services.h"

namespace vorundel::ui {

class Form1;

class WindowPlatform final : public linux_desktop::LinuxServices {
 public:
  // `powerObserver` is the form's own: it receives the power notifications.
  WindowPlatform(Form1& form, linux_desktop::PowerObserver& powerObserver);

  int ShowMessage(const std::u16string& text,
                  std::uint32_t style,
                  const std::u16string& caption) override;
  int WindowState() override;
  void MinimizeWindow() override;
  std::u16string Label1Text() override;
  void UnloadForm() override;

 protected:
  std::uint32_t X11Time() override;

 private:
  Form1& form_;
};

}  // namespace vorundel::ui
