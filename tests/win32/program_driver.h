// Works the real vorundel.exe from outside, as a user would, through
// window messages only: finds the window, reads its controls, puts a path
// into Label1, clicks the buttons, answers the message boxes and sends the
// power notifications.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/win32/test_support.h"

namespace vorundel::testing {

inline constexpr std::chrono::seconds kTimeout{20};

struct Control {
  HWND window;
  std::wstring className;
  std::wstring text;
  RECT rect;  // in Form1's client coordinates
};

std::wstring ClassOf(HWND window);
std::wstring TextOf(HWND window);
// The text of a message box.
std::wstring BoxText(HWND box);
// The confirmation that names an associated program.
std::wstring Prompt(const std::wstring& program);

// vorundel.exe, running; killed if a test leaves it behind.
class Vorundel {
 public:
  // Starts it in `directory` and waits for its window.
  explicit Vorundel(const std::wstring& directory);
  ~Vorundel();
  Vorundel(const Vorundel&) = delete;
  Vorundel& operator=(const Vorundel&) = delete;

  HWND form() const { return form_; }

  // Form1's children in z order, which is the tab order.
  std::vector<Control> Controls() const;
  HWND Label1() const;
  HWND CmdSet() const;
  HWND CmdCancel() const;

  // What a drop leaves in Label1.
  void SetLabel1(const std::wstring& path) const;
  void Click(HWND button) const { PostMessageW(button, BM_CLICK, 0, 0); }

  // The message box Form1 shows, once it is there; null on timeout.
  HWND WaitForMessageBox() const;
  HWND FindMessageBox() const;
  // How many message boxes the program shows right now.
  std::size_t MessageBoxCount() const;
  // Clicks Set, answers the confirmation with OK and waits until the
  // window is minimized. The confirmation's text, or nothing when no box
  // came or the window did not minimize.
  std::optional<std::wstring> Arm() const;
  // Presses a button of the box and waits until it is gone.
  void Answer(HWND box, int button) const;

  // A resume delivered the way the system does it (sent), for a window
  // that has nothing to show in answer.
  void SendResume() const;
  // Posted, for a window that answers with a modal box or ends.
  void PostResume(WPARAM event = PBT_APMRESUMEAUTOMATIC) const {
    PostMessageW(form_, WM_POWERBROADCAST, event, 0);
  }

  bool Running() const;
  // The exit status, or -1 when the program is still running.
  long WaitForExit() const;

  // Polls `condition` while waiting on messages and on the program's end,
  // up to the deadline.
  bool WaitUntil(const std::function<bool()>& condition) const;

 private:
  HWND FindForm() const;
  HWND ControlWithText(const std::wstring& text) const;

  UniqueHandle process_;
  DWORD id_ = 0;
  HWND form_ = nullptr;
};

}  // namespace vorundel::testing
