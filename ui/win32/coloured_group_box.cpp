#include "ui/win32/coloured_group_box.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "ui/win32/newer_user32.h"

namespace vorundel::win32 {
namespace {

constexpr UINT_PTR kSubclassId = 1;

// High contrast replaces our colour with the system's text colour, the
// one every group box caption has there.
COLORREF CaptionColour(COLORREF colour) {
  HIGHCONTRASTW contrast{};
  contrast.cbSize = sizeof(contrast);
  const bool high = SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast),
                                          &contrast, 0) &&
                    (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
  return high ? GetSysColor(COLOR_WINDOWTEXT) : colour;
}

void Paint(HWND box, HDC dc, COLORREF colour) {
  RECT client;
  GetClientRect(box, &client);
  const auto font =
      reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0));
  const HGDIOBJ oldFont = font != nullptr ? SelectObject(dc, font) : nullptr;

  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  const int dpi = static_cast<int>(DpiForWindow(box));
  const int indent = MulDiv(8, dpi, USER_DEFAULT_SCREEN_DPI);
  const int padding = MulDiv(2, dpi, USER_DEFAULT_SCREEN_DPI);

  // The frame runs through the middle of the caption's line.
  RECT frame = client;
  frame.top += metrics.tmHeight / 2;
  DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);

  const int length = GetWindowTextLengthW(box);
  if (length > 0) {
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(box, text.data(), length + 1)));
    RECT label{client.left + indent, client.top, client.right,
               client.top + metrics.tmHeight};
    RECT measured = label;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured,
              DT_SINGLELINE | DT_CALCRECT);
    // The caption's own background hides the frame line behind it.
    RECT background{measured.left - padding, label.top,
                    std::min(measured.right + padding, label.right),
                    label.bottom};
    FillRect(dc, &background, GetSysColorBrush(COLOR_BTNFACE));
    SetTextColor(dc, CaptionColour(colour));
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &label,
              DT_SINGLELINE);
  }
  if (oldFont != nullptr) {
    SelectObject(dc, oldFont);
  }
}

LRESULT CALLBACK SubclassProc(HWND box,
                              UINT message,
                              WPARAM wParam,
                              LPARAM lParam,
                              UINT_PTR,
                              DWORD_PTR colour) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = BeginPaint(box, &paint);
      Paint(box, dc, static_cast<COLORREF>(colour));
      EndPaint(box, &paint);
      return 0;
    }
    case WM_PRINTCLIENT:
      Paint(box, reinterpret_cast<HDC>(wParam), static_cast<COLORREF>(colour));
      return 0;
    case WM_SETTEXT:
    case WM_SETFONT:
    case WM_ENABLE: {
      // The button class paints these changes directly: repaint ours.
      const LRESULT result = DefSubclassProc(box, message, wParam, lParam);
      InvalidateRect(box, nullptr, TRUE);
      return result;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(box, &SubclassProc, kSubclassId);
      break;
    default:
      break;
  }
  return DefSubclassProc(box, message, wParam, lParam);
}

}  // namespace

bool PaintCaptionInColour(HWND box, COLORREF colour) {
  return SetWindowSubclass(box, &SubclassProc, kSubclassId, colour) != FALSE;
}

}  // namespace vorundel::win32
