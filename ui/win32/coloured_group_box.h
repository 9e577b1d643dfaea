// A group box whose caption is drawn in a colour of our choosing. Themed
// group boxes take the caption colour from the theme and ignore
// WM_CTLCOLORSTATIC, so the box paints its caption and etched frame itself.
// It stays a real group box (class, text, keyboard behaviour).
#pragma once

#include <windows.h>

namespace vorundel::win32 {

// Subclasses `box` for as long as it lives.
bool PaintCaptionInColour(HWND box, COLORREF colour);

}  // namespace vorundel::win32
