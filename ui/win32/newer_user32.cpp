#include "ui/win32/newer_user32.h"

#include <utility>

namespace vorundel::win32 {
namespace {

// GetProcAddress's pointer, as the function type it really has.
template <typename Function>
Function User32Function(const char* name) {
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (user32 == nullptr) {
    return nullptr;
  }
  using Generic = void (*)();
  return reinterpret_cast<Function>(
      reinterpret_cast<Generic>(GetProcAddress(user32, name)));
}

UINT SystemDpi() {
  const HDC screen = GetDC(nullptr);
  if (screen == nullptr) {
    return USER_DEFAULT_SCREEN_DPI;
  }
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace

UINT DpiForWindow(HWND window) {
  using Function = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow =
      User32Function<Function>("GetDpiForWindow");
  if (getDpiForWindow != nullptr) {
    const UINT dpi = getDpiForWindow(window);
    if (dpi != 0) {
      return dpi;
    }
  }
  return SystemDpi();
}

bool AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, UINT dpi) {
  using Function = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  static const auto adjust =
      User32Function<Function>("AdjustWindowRectExForDpi");
  if (adjust != nullptr) {
    return adjust(&rect, style, FALSE, exStyle, dpi) != FALSE;
  }
  return AdjustWindowRectEx(&rect, style, FALSE, exStyle) != FALSE;
}

bool MessageFontForDpi(LOGFONTW& font, UINT dpi) {
  using Function = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
  static const auto forDpi =
      User32Function<Function>("SystemParametersInfoForDpi");
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (forDpi != nullptr &&
      forDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi)) {
    font = metrics.lfMessageFont;
    return true;
  }
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics,
                             0)) {
    return false;
  }
  font = metrics.lfMessageFont;
  font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi),
                         static_cast<int>(SystemDpi()));
  return true;
}

SuspendResumeRegistration::SuspendResumeRegistration(HWND window) {
  using Function = HPOWERNOTIFY(WINAPI*)(HANDLE, DWORD);
  static const auto registerFor =
      User32Function<Function>("RegisterSuspendResumeNotification");
  if (registerFor != nullptr) {
    handle_ = registerFor(window, DEVICE_NOTIFY_WINDOW_HANDLE);
  }
}

SuspendResumeRegistration::~SuspendResumeRegistration() {
  Reset();
}

SuspendResumeRegistration::SuspendResumeRegistration(
    SuspendResumeRegistration&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

SuspendResumeRegistration& SuspendResumeRegistration::operator=(
    SuspendResumeRegistration&& other) noexcept {
  if (this != &other) {
    Reset();
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

void SuspendResumeRegistration::Reset() {
  using Function = BOOL(WINAPI*)(HPOWERNOTIFY);
  static const auto unregister =
      User32Function<Function>("UnregisterSuspendResumeNotification");
  if (handle_ != nullptr && unregister != nullptr) {
    unregister(static_cast<HPOWERNOTIFY>(handle_));
  }
  handle_ = nullptr;
}

}  // namespace vorundel::win32
