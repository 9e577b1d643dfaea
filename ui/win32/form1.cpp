#include "ui/win32/form1.h"

#include <cmath>
#include <cstring>
#include <cwchar>
#include <optional>
#include <utility>

#include "core/texts.h"
#include "platform/win32/wide.h"
#include "ui/form1_layout.h"
#include "ui/win32/coloured_group_box.h"
#include "ui/win32/message_box_flags.h"

namespace vorundel::win32 {
namespace {

constexpr wchar_t kClassName[] = L"VorundelForm1";
// Fixed size, minimizable (minimized is armed). No WS_CLIPCHILDREN: a
// group box leaves its inside to the parent's background.
constexpr DWORD kStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kExStyle = 0;

// Not IDOK or IDCANCEL, which the dialog keys send.
enum ControlId : int {
  kFrame1Id = 100,
  kLabel1Id,
  kCmdSetId,
  kCmdCancelId,
};

// Posted to ourselves when the user is back from a suspend.
constexpr UINT kUserReturned = WM_APP + 1;

constexpr wchar_t kFrame1FontFace[] = L"ＭＳ Ｐゴシック";
constexpr int kIconId = 1;

std::wstring WideText(std::u16string_view text) {
  return std::wstring(text.begin(), text.end());
}

RECT PixelRect(const layout::TwipRect& twips, UINT dpi) {
  const int d = static_cast<int>(dpi);
  const int left = layout::TwipsToPixels(twips.left, d);
  const int top = layout::TwipsToPixels(twips.top, d);
  return RECT{left, top, left + layout::TwipsToPixels(twips.width, d),
              top + layout::TwipsToPixels(twips.height, d)};
}

void Place(HWND control, const RECT& rect) {
  SetWindowPos(control, nullptr, rect.left, rect.top, rect.right - rect.left,
               rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool RegisterForm1Class(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = static_cast<HICON>(LoadImageW(
      instance, MAKEINTRESOURCEW(kIconId), IMAGE_ICON,
      GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_SHARED));
  windowClass.hIconSm = static_cast<HICON>(LoadImageW(
      instance, MAKEINTRESOURCEW(kIconId), IMAGE_ICON,
      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kClassName;
  return RegisterClassExW(&windowClass) != 0 ||
         GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

std::optional<PowerEvent> PowerEventOf(WPARAM event, LPARAM data) {
  switch (event) {
    case PBT_APMSUSPEND:
      return PowerEvent::kSuspend;
    case PBT_APMRESUMEAUTOMATIC:
      return PowerEvent::kResumeAutomatic;
    case PBT_APMRESUMESUSPEND:
      return PowerEvent::kResumeByUser;
    case PBT_POWERSETTINGCHANGE: {
      const auto* setting =
          reinterpret_cast<const POWERBROADCAST_SETTING*>(data);
      if (setting == nullptr ||
          setting->PowerSetting != GUID_CONSOLE_DISPLAY_STATE ||
          setting->DataLength != sizeof(DWORD)) {
        return std::nullopt;
      }
      DWORD state = 0;
      std::memcpy(&state, setting->Data, sizeof(state));
      return state == 0   ? PowerEvent::kDisplayOff
             : state == 2 ? PowerEvent::kDisplayDimmed
                          : PowerEvent::kDisplayOn;
    }
    default:
      return std::nullopt;
  }
}

}  // namespace

Form1::~Form1() {
  if (hwnd_ != nullptr) {
    DestroyWindow(hwnd_);
  }
}

bool Form1::Create(int showCommand) {
  if (!RegisterForm1Class(instance_, &Form1::WindowProc)) {
    return false;
  }
  const std::wstring title = WideText(kAppTitle);
  // Made at its size for the system's DPI, so that nothing ever sees a
  // default size; WM_CREATE sizes it again for the window's own DPI.
  const SIZE size = WindowSizeForDpi(DpiForWindow(nullptr));
  if (CreateWindowExW(kExStyle, kClassName, title.c_str(), kStyle,
                      CW_USEDEFAULT, CW_USEDEFAULT, size.cx, size.cy, nullptr,
                      nullptr, instance_, this) == nullptr) {
    return false;
  }
  ShowWindow(hwnd_, showCommand);
  UpdateWindow(hwnd_);
  return true;
}

bool Form1::CreateControls() {
  const auto child = [this](const wchar_t* windowClass,
                            std::u16string_view text, DWORD style,
                            DWORD exStyle, int id) {
    const std::wstring caption = WideText(text);
    return CreateWindowExW(exStyle, windowClass, caption.c_str(),
                           WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, hwnd_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           instance_, nullptr);
  };
  // Creation order is the tab order: Frame1, cmdCancel, cmdSet, Label1.
  frame1_ =
      child(L"BUTTON", kFrame1Caption, BS_GROUPBOX | WS_GROUP, 0, kFrame1Id);
  cmdCancel_ = child(L"BUTTON", kCmdCancelCaption,
                     BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, 0, kCmdCancelId);
  cmdSet_ = child(L"BUTTON", kCmdSetCaption, BS_PUSHBUTTON | WS_TABSTOP, 0,
                  kCmdSetId);
  // SS_NOTIFY: a static is otherwise transparent to hit testing, and the
  // drag would find the frame behind it instead.
  label1_ =
      child(L"STATIC", u"", SS_LEFT | SS_NOPREFIX | SS_NOTIFY | SS_PATHELLIPSIS,
            WS_EX_CLIENTEDGE, kLabel1Id);
  if (frame1_ == nullptr || cmdCancel_ == nullptr || cmdSet_ == nullptr ||
      label1_ == nullptr) {
    return false;
  }
  // Label1 lies inside Frame1; put it first in z order so that every hit
  // test finds it there, whether or not it sees through the group box. The
  // tab order, which skips Label1, stays Cancel then Set.
  SetWindowPos(label1_, HWND_TOP, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  PaintCaptionInColour(frame1_, RGB(layout::kFrame1Red, layout::kFrame1Green,
                                    layout::kFrame1Blue));
  dropTarget_.Attach(new Label1DropTarget(label1_));
  if (FAILED(RegisterDragDrop(label1_, dropTarget_.Get()))) {
    return false;
  }
  suspendResume_ = SuspendResumeRegistration(hwnd_);
  // Where the system stays on in standby (modern standby), the screen
  // lighting up after a sleep is the user's return.
  displayState_.reset(RegisterPowerSettingNotification(
      hwnd_, &GUID_CONSOLE_DISPLAY_STATE, DEVICE_NOTIFY_WINDOW_HANDLE));
  return true;
}

SIZE Form1::WindowSizeForDpi(UINT dpi) const {
  const int d = static_cast<int>(dpi);
  RECT rect{0, 0, layout::TwipsToPixels(layout::kClientWidth, d),
            layout::TwipsToPixels(layout::kClientHeight, d)};
  AdjustWindowRectForDpi(rect, kStyle, kExStyle, dpi);
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

void Form1::ApplyDpi(UINT dpi) {
  dpi_ = dpi;

  LOGFONTW frameFont{};
  frameFont.lfHeight =
      -static_cast<LONG>(std::lround(layout::kFrame1PointSize * dpi / 72.0));
  frameFont.lfWeight = FW_BOLD;
  frameFont.lfCharSet = SHIFTJIS_CHARSET;
  wcsncpy(frameFont.lfFaceName, kFrame1FontFace, LF_FACESIZE - 1);
  UniqueFont newFrame1Font(CreateFontIndirectW(&frameFont));

  LOGFONTW messageFont{};
  UniqueFont newMessageFont;
  if (MessageFontForDpi(messageFont, dpi)) {
    newMessageFont.reset(CreateFontIndirectW(&messageFont));
  }

  const auto setFont = [](HWND control, HFONT font) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  };
  setFont(frame1_, newFrame1Font.get());
  for (HWND control : {label1_, cmdSet_, cmdCancel_}) {
    setFont(control, newMessageFont.get());
  }
  // The controls use the new fonts now: the old ones can go.
  frame1Font_ = std::move(newFrame1Font);
  messageFont_ = std::move(newMessageFont);

  const SIZE size = WindowSizeForDpi(dpi);
  SetWindowPos(hwnd_, nullptr, 0, 0, size.cx, size.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

  const RECT frame = PixelRect(layout::kFrame1, dpi);
  Place(frame1_, frame);
  const layout::TwipRect label{
      layout::kFrame1.left + layout::kLabel1InFrame1.left,
      layout::kFrame1.top + layout::kLabel1InFrame1.top,
      layout::kLabel1InFrame1.width, layout::kLabel1InFrame1.height};
  Place(label1_, PixelRect(label, dpi));
  Place(cmdSet_, PixelRect(layout::kCmdSet, dpi));
  Place(cmdCancel_, PixelRect(layout::kCmdCancel, dpi));
}

LRESULT CALLBACK Form1::WindowProc(HWND window,
                                   UINT message,
                                   WPARAM wParam,
                                   LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* form = static_cast<Form1*>(
        reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    form->hwnd_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form =
      reinterpret_cast<Form1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (form == nullptr) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    form->hwnd_ = nullptr;
    return DefWindowProcW(window, message, wParam, lParam);
  }
  return form->HandleMessage(message, wParam, lParam);
}

LRESULT Form1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      if (!CreateControls()) {
        return -1;
      }
      ApplyDpi(DpiForWindow(hwnd_));
      return 0;

    case WM_GETDPISCALEDSIZE: {
      // Keep the client area exactly at its twip size at the new DPI.
      const SIZE size = WindowSizeForDpi(static_cast<UINT>(wParam));
      *reinterpret_cast<SIZE*>(lParam) = size;
      return TRUE;
    }

    case WM_DPICHANGED: {
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      ApplyDpi(HIWORD(wParam));
      return 0;
    }

    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) {
        OnCommand(LOWORD(wParam));
      }
      return 0;

    case WM_CTLCOLORSTATIC:
      return OnColorStatic(reinterpret_cast<HDC>(wParam),
                           reinterpret_cast<HWND>(lParam));

    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(hwnd_, focus)) {
          focus_ = focus;
        }
      }
      return DefWindowProcW(hwnd_, message, wParam, lParam);

    case WM_SETFOCUS:
      // The window itself takes no keys: pass the focus on to a control.
      SetFocus(focus_ != nullptr ? focus_ : cmdCancel_);
      return 0;

    case WM_SYSCOLORCHANGE:
      // High contrast on or off: Frame1 paints its caption anew.
      RedrawWindow(hwnd_, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
      return 0;

    case WM_POWERBROADCAST: {
      const auto event = PowerEventOf(wParam, lParam);
      if (event == PowerEvent::kSuspend) {
        logic_.SysInfo1_PowerSuspend();
      }
      // The system sends this: the launch and its box run from our own
      // queue, where COM may call out and no broadcast waits on us.
      if (event && userReturn_.Notice(*event)) {
        PostMessageW(hwnd_, kUserReturned, 0, 0);
      }
      return TRUE;
    }

    case kUserReturned:
      logic_.SysInfo1_PowerResume();
      return 0;

    case WM_DESTROY:
      Form_Unload();
      return 0;

    default:
      return DefWindowProcW(hwnd_, message, wParam, lParam);
  }
}

void Form1::OnCommand(int id) {
  // Enter sends IDOK: it presses whichever button has the focus.
  if (id == IDOK) {
    const HWND focus = GetFocus();
    id = focus == cmdSet_ ? kCmdSetId : focus == cmdCancel_ ? kCmdCancelId : 0;
  }
  switch (id) {
    case kCmdSetId:
      logic_.cmdSet_Click();
      break;
    case kCmdCancelId:
      cmdCancel_Click();
      break;
    default:
      break;
  }
}

LRESULT Form1::OnColorStatic(HDC dc, HWND control) {
  if (control == label1_) {
    // Reads as an entry field.
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
  }
  return DefWindowProcW(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                        reinterpret_cast<LPARAM>(control));
}

void Form1::cmdCancel_Click() {
  UnloadForm();
}

void Form1::Form_Unload() {
  if (label1_ != nullptr) {
    RevokeDragDrop(label1_);
  }
  suspendResume_ = SuspendResumeRegistration();
  displayState_.reset();
  PostQuitMessage(0);
}

int Form1::ShowMessage(const std::u16string& text,
                       std::uint32_t style,
                       const std::u16string& caption) {
  const UINT flags =
      MessageBoxFlags(style, hwnd_ != nullptr && IsIconic(hwnd_) != FALSE);
  return MessageBoxW(hwnd_, Wide(text), Wide(caption), flags);
}

int Form1::WindowState() {
  return hwnd_ != nullptr && IsIconic(hwnd_) ? kWindowStateMinimized
                                             : kWindowStateNormal;
}

void Form1::MinimizeWindow() {
  if (hwnd_ != nullptr) {
    ShowWindow(hwnd_, SW_MINIMIZE);
  }
}

std::u16string Form1::Label1Text() {
  if (label1_ == nullptr) {
    return {};
  }
  const int length = GetWindowTextLengthW(label1_);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      GetWindowTextW(label1_, text.data(), length + 1)));
  return FromWide(text);
}

void Form1::UnloadForm() {
  if (hwnd_ != nullptr) {
    DestroyWindow(hwnd_);
  }
}

}  // namespace vorundel::win32
