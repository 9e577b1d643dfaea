// The main window: one window class, one window procedure, the controls as
// real child windows. It is also the window half of the platform, and it
// forwards its events to the core's Form1Logic.
#pragma once

#include <windows.h>

#include <wrl/client.h>

#include <string>

#include "core/form1_logic.h"
#include "core/user_return.h"
#include "platform/win32/win32_services.h"
#include "ui/win32/gdi_font.h"
#include "ui/win32/label1_drop_target.h"
#include "ui/win32/newer_user32.h"

namespace vorundel::win32 {

class Form1 final : public Win32Services {
 public:
  explicit Form1(HINSTANCE instance) : instance_(instance) {}
  ~Form1() override;
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  // Creates the window and shows it; false when it cannot be created.
  // OLE must be initialised on this thread.
  bool Create(int showCommand);
  HWND Window() const { return hwnd_; }

  // The window half of the platform.
  int ShowMessage(const std::u16string& text,
                  std::uint32_t style,
                  const std::u16string& caption) override;
  int WindowState() override;
  void MinimizeWindow() override;
  std::u16string Label1Text() override;
  void UnloadForm() override;

 protected:
  HWND OwnerWindow() const override { return hwnd_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window,
                                     UINT message,
                                     WPARAM wParam,
                                     LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  bool CreateControls();
  // Fonts, window size and control positions for `dpi`.
  void ApplyDpi(UINT dpi);
  SIZE WindowSizeForDpi(UINT dpi) const;
  void OnCommand(int id);
  LRESULT OnColorStatic(HDC dc, HWND control);
  void cmdCancel_Click();
  void Form_Unload();

  HINSTANCE instance_;
  HWND hwnd_ = nullptr;
  HWND frame1_ = nullptr;
  HWND label1_ = nullptr;
  HWND cmdSet_ = nullptr;
  HWND cmdCancel_ = nullptr;
  // The control that had the focus when the window was last deactivated.
  HWND focus_ = nullptr;
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
  UniqueFont frame1Font_;
  UniqueFont messageFont_;
  Microsoft::WRL::ComPtr<Label1DropTarget> dropTarget_;
  SuspendResumeRegistration suspendResume_;
  DisplayStateRegistration displayState_;
  UserReturn userReturn_;
  Form1Logic logic_{*this};
};

}  // namespace vorundel::win32
