// vorundel.exe: shows Form1 and runs its messages until it is unloaded.
#include <windows.h>

#include <commctrl.h>
#include <ole2.h>

#include "ui/win32/form1.h"

namespace {

// OLE (drops) and COM apartment-threaded (the shell's verbs) for the
// lifetime of the UI thread.
class OleScope {
 public:
  OleScope() : ok_(SUCCEEDED(OleInitialize(nullptr))) {}
  ~OleScope() {
    if (ok_) {
      OleUninitialize();
    }
  }
  OleScope(const OleScope&) = delete;
  OleScope& operator=(const OleScope&) = delete;
  bool ok() const { return ok_; }

 private:
  bool ok_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  const OleScope ole;
  if (!ole.ok()) {
    return 1;
  }
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                      ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  vorundel::win32::Form1 form(instance);
  if (!form.Create(showCommand)) {
    return 1;
  }
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (form.Window() == nullptr ||
        !IsDialogMessageW(form.Window(), &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return static_cast<int>(message.wParam);
}
