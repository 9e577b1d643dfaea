// user32 functions newer than Windows 7, looked up at run time so that the
// program still starts where they are absent; each has a fallback.
#pragma once

#include <windows.h>

#include <memory>

namespace vorundel::win32 {

// The window's DPI (per monitor where the system supports it).
UINT DpiForWindow(HWND window);

// AdjustWindowRectEx at `dpi`.
bool AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, UINT dpi);

// The desktop's message font, scaled for `dpi`.
bool MessageFontForDpi(LOGFONTW& font, UINT dpi);

// Registers a window for suspend and resume notifications where the
// system offers it (Windows 8 and later); unregisters when destroyed.
class SuspendResumeRegistration {
 public:
  SuspendResumeRegistration() = default;
  explicit SuspendResumeRegistration(HWND window);
  ~SuspendResumeRegistration();
  SuspendResumeRegistration(SuspendResumeRegistration&& other) noexcept;
  SuspendResumeRegistration& operator=(
      SuspendResumeRegistration&& other) noexcept;

 private:
  void Reset();
  void* handle_ = nullptr;
};

struct PowerSettingCloser {
  void operator()(HPOWERNOTIFY handle) const {
    UnregisterPowerSettingNotification(handle);
  }
};
// The display's state (GUID_CONSOLE_DISPLAY_STATE) as WM_POWERBROADCAST.
using DisplayStateRegistration = std::unique_ptr<void, PowerSettingCloser>;

}  // namespace vorundel::win32
