#include "ui/qt/window_platform.h"

#include "ui/qt/form1.h"

namespace vorundel::ui {

WindowPlatform::WindowPlatform(Form1& form,
                               linux_desktop::PowerObserver& powerObserver)
    : LinuxServices(powerObserver), form_(form) {}

int WindowPlatform::ShowMessage(const std::u16string& text,
                                std::uint32_t style,
                                const std::u16string& caption) {
  return form_.ShowMessage(QString::fromStdU16String(text), style,
                           QString::fromStdU16String(caption));
}

int WindowPlatform::WindowState() {
  return form_.WindowState();
}

void WindowPlatform::MinimizeWindow() {
  form_.MinimizeWindow();
}

std::u16string WindowPlatform::Label1Text() {
  return form_.Label1Text().toStdU16String();
}

void WindowPlatform::UnloadForm() {
  form_.UnloadForm();
}

}  // namespace vorundel::ui
