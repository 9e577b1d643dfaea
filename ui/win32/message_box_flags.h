// The MessageBoxW flags for a style the core asks for.
#pragma once

#include <windows.h>

#include <cstdint>

namespace vorundel::win32 {

// A box shown while Form1 is minimized (the failure after a resume) comes
// to the front: otherwise it would wait unseen behind other windows. A
// background process may not take the foreground, so it also stays on top.
constexpr UINT MessageBoxFlags(std::uint32_t style, bool formMinimized) {
  return static_cast<UINT>(style) |
         (formMinimized ? MB_SETFOREGROUND | MB_TOPMOST : 0u);
}

}  // namespace vorundel::win32
