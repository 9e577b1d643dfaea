// The main window's geometry in twips (1/1440 inch), shared by both
// desktops. Label1 lies inside Frame1; everything else is relative to the
// client area.
#pragma once

namespace vorundel::layout {

struct TwipRect {
  int left;
  int top;
  int width;
  int height;
};

inline constexpr int kClientWidth = 7005;
inline constexpr int kClientHeight = 1845;

inline constexpr TwipRect kFrame1{120, 240, 6735, 855};
inline constexpr TwipRect kLabel1InFrame1{120, 360, 6495, 315};
inline constexpr TwipRect kCmdSet{960, 1260, 2415, 375};
inline constexpr TwipRect kCmdCancel{3600, 1260, 2415, 375};

// Frame1's caption: bold 9.75 pt, dark blue.
inline constexpr double kFrame1PointSize = 9.75;
inline constexpr int kFrame1Red = 0;
inline constexpr int kFrame1Green = 0;
inline constexpr int kFrame1Blue = 192;

inline constexpr int kTwipsPerInch = 1440;

// Rounds to the nearest pixel at `dpi` dots per inch.
constexpr int TwipsToPixels(int twips, int dpi) {
  return (twips * dpi + kTwipsPerInch / 2) / kTwipsPerInch;
}

}  // namespace vorundel::layout
