// Starts the real vorundel.exe and works it from outside, as a user would,
// through window messages only: finds the window, reads its controls, puts
// a path into Label1, clicks the buttons, answers the message boxes and
// sends the power notifications.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "core/texts.h"
#include "tests/win32/test_support.h"

namespace vorundel::testing {
namespace {

using namespace std::chrono_literals;
constexpr auto kTimeout = 20s;

struct Control {
  HWND window;
  std::wstring className;
  std::wstring text;
  RECT rect;  // in Form1's client coordinates
};

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

std::wstring TextOf(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      GetWindowTextW(window, text.data(), length + 1)));
  return text;
}

// The top-level windows of a process.
std::vector<HWND> WindowsOf(DWORD process) {
  struct Search {
    DWORD process;
    std::vector<HWND> found;
  } search{process, {}};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == s->process && IsWindowVisible(window)) {
          s->found.push_back(window);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// vorundel.exe, running; killed if a test leaves it behind.
class Vorundel {
 public:
  explicit Vorundel(const std::wstring& directory) {
    const std::wstring exe = ExecutableDir() + L"\\vorundel.exe";
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr,
                        FALSE, 0, nullptr, directory.c_str(), &startup,
                        &info)) {
      ADD_FAILURE() << "cannot start " << Utf8(exe);
      return;
    }
    process_.reset(info.hProcess);
    CloseHandle(info.hThread);
    id_ = info.dwProcessId;
    WaitUntil([this] { return (form_ = FindForm()) != nullptr; });
  }

  ~Vorundel() {
    if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_.get(), 99);
      WaitForSingleObject(process_.get(), 5000);
    }
  }

  HWND form() const { return form_; }

  // Form1's children in z order, which is the tab order.
  std::vector<Control> Controls() const {
    std::vector<Control> controls;
    for (HWND child = GetWindow(form_, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
      RECT rect;
      GetWindowRect(child, &rect);
      MapWindowPoints(nullptr, form_, reinterpret_cast<POINT*>(&rect), 2);
      controls.push_back({child, ClassOf(child), TextOf(child), rect});
    }
    return controls;
  }
  HWND Label1() const { return ControlWithText(L""); }
  HWND CmdSet() const { return ControlWithText(Wide(kCmdSetCaption)); }
  HWND CmdCancel() const { return ControlWithText(Wide(kCmdCancelCaption)); }

  void SetLabel1(const std::wstring& path) const {
    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutW(Label1(), WM_SETTEXT, 0,
                                    reinterpret_cast<LPARAM>(path.c_str()),
                                    SMTO_ABORTIFHUNG, 5000, &result));
  }
  void Click(HWND button) const { PostMessageW(button, BM_CLICK, 0, 0); }

  // The message box Form1 shows, once it is there.
  HWND WaitForMessageBox() const {
    HWND box = nullptr;
    WaitUntil([&] { return (box = FindMessageBox()) != nullptr; });
    return box;
  }
  HWND FindMessageBox() const {
    for (HWND window : WindowsOf(id_)) {
      if (ClassOf(window) == L"#32770") {
        return window;
      }
    }
    return nullptr;
  }
  // Presses a button of the box and waits until it is gone.
  void Answer(HWND box, int button) const {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
  }

  // A resume delivered the way the system does it (sent), for a window
  // that has nothing to show in answer.
  void SendResume() const {
    DWORD_PTR result = 0;
    EXPECT_TRUE(SendMessageTimeoutW(form_, WM_POWERBROADCAST,
                                    PBT_APMRESUMEAUTOMATIC, 0, SMTO_ABORTIFHUNG,
                                    5000, &result));
  }
  // Posted, for a window that answers with a modal box or ends.
  void PostResume(WPARAM event = PBT_APMRESUMEAUTOMATIC) const {
    PostMessageW(form_, WM_POWERBROADCAST, event, 0);
  }

  bool Running() const {
    return WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
  }
  // The exit status, or -1 when the program is still running.
  long WaitForExit() const {
    if (WaitForSingleObject(process_.get(), 20000) != WAIT_OBJECT_0) {
      return -1;
    }
    DWORD status = 0;
    GetExitCodeProcess(process_.get(), &status);
    return static_cast<long>(status);
  }

  // Polls `condition` while waiting on messages and on the program's end,
  // up to the deadline.
  bool WaitUntil(const std::function<bool()>& condition) const {
    const auto deadline = std::chrono::steady_clock::now() + kTimeout;
    while (!condition()) {
      if (std::chrono::steady_clock::now() > deadline) {
        return false;
      }
      const HANDLE process = process_.get();
      if (MsgWaitForMultipleObjects(1, &process, FALSE, 20, QS_ALLINPUT) ==
          WAIT_OBJECT_0) {
        return condition();
      }
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
      }
    }
    return true;
  }

 private:
  HWND FindForm() const {
    for (HWND window : WindowsOf(id_)) {
      if (ClassOf(window) != L"#32770" && TextOf(window) == L"Vorundel") {
        return window;
      }
    }
    return nullptr;
  }
  HWND ControlWithText(const std::wstring& text) const {
    for (const Control& control : Controls()) {
      if (control.text == text) {
        return control.window;
      }
    }
    ADD_FAILURE() << "no control with text " << Utf8(text);
    return nullptr;
  }

  UniqueHandle process_;
  DWORD id_ = 0;
  HWND form_ = nullptr;
};

std::wstring Prompt(const std::wstring& program) {
  return Wide(kPromptHead) + L"\r\n\r\n" + program + L"\r\n\r\n" +
         Wide(kPromptTailAssociated);
}

std::wstring BoxText(HWND box) {
  wchar_t text[2048] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 2048);
  return text;
}

const std::wstring kUnicodeName = L"\u2603 \uD55C\uAE00 & memo";

TEST(Vorundel, ShowsEveryControlAtItsPlaceAndEndsWhenClosed) {
  ScratchDir scratch;
  Vorundel program(scratch.path());
  ASSERT_NE(program.form(), nullptr);

  RECT client;
  GetClientRect(program.form(), &client);
  EXPECT_EQ(client.right, 467);
  EXPECT_EQ(client.bottom, 123);
  const LONG_PTR style = GetWindowLongPtrW(program.form(), GWL_STYLE);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & (WS_MAXIMIZEBOX | WS_THICKFRAME));

  struct Expected {
    const wchar_t* className;
    std::wstring text;
    RECT rect;
  };
  // Tab order: Frame1, cmdCancel, cmdSet, Label1.
  const Expected expected[] = {
      {L"button", Wide(kFrame1Caption), {8, 16, 457, 73}},
      {L"button", Wide(kCmdCancelCaption), {240, 84, 401, 109}},
      {L"button", Wide(kCmdSetCaption), {64, 84, 225, 109}},
      {L"static", L"", {16, 40, 449, 61}},
  };
  const auto controls = program.Controls();
  ASSERT_EQ(controls.size(), std::size(expected));
  for (std::size_t i = 0; i < controls.size(); ++i) {
    SCOPED_TRACE(Utf8(expected[i].text));
    EXPECT_EQ(CompareStringOrdinal(controls[i].className.c_str(), -1,
                                   expected[i].className, -1, TRUE),
              CSTR_EQUAL)
        << Utf8(controls[i].className);
    EXPECT_EQ(Utf8(controls[i].text), Utf8(expected[i].text));
    EXPECT_EQ(controls[i].rect.left, expected[i].rect.left);
    EXPECT_EQ(controls[i].rect.top, expected[i].rect.top);
    EXPECT_EQ(controls[i].rect.right, expected[i].rect.right);
    EXPECT_EQ(controls[i].rect.bottom, expected[i].rect.bottom);
  }
  const HWND label1 = controls.back().window;
  EXPECT_TRUE(GetWindowLongPtrW(label1, GWL_STYLE) & SS_NOPREFIX);
  EXPECT_TRUE(GetWindowLongPtrW(label1, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);

  // The close box.
  PostMessageW(program.form(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(program.WaitForExit(), 0);
}

TEST(Vorundel, OpensTheArmedFileOnceAtResumeAndEnds) {
  ScratchDir scratch;
  const RecordingOpener opener(scratch, L"vrde2e");
  const std::wstring file = scratch.AddFile(kUnicodeName + L".vrde2e");
  Vorundel program(scratch.path());
  ASSERT_NE(program.form(), nullptr);

  program.SetLabel1(file);
  program.Click(program.CmdSet());
  const HWND box = program.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(TextOf(box), L"Vorundel");
  EXPECT_EQ(Utf8(BoxText(box)), Utf8(Prompt(opener.ProgramPath())));
  program.Answer(box, IDOK);
  ASSERT_TRUE(program.WaitUntil([&] { return IsIconic(program.form()); }));

  // Windows sends both after a resume with a user present.
  program.PostResume(PBT_APMRESUMEAUTOMATIC);
  program.PostResume(PBT_APMRESUMESUSPEND);
  EXPECT_EQ(program.WaitForExit(), 0);
  ASSERT_TRUE(opener.WaitForOpen(kTimeout));
  const auto opened = opener.OpenedPaths();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(Utf8(opened[0]), Utf8(file));
}

TEST(Vorundel, RefusesAnEmptyLabel1AndEndsOnCancel) {
  ScratchDir scratch;
  Vorundel program(scratch.path());
  ASSERT_NE(program.form(), nullptr);

  program.Click(program.CmdSet());
  const HWND box = program.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(Utf8(BoxText(box)), Utf8(Wide(kFileMissing)));
  program.Answer(box, IDOK);
  EXPECT_FALSE(IsIconic(program.form()));

  program.Click(program.CmdCancel());
  EXPECT_EQ(program.WaitForExit(), 0);
}

TEST(Vorundel, StaysDisarmedAfterCancelOrRestoreAndIgnoresResume) {
  ScratchDir scratch;
  const RecordingOpener opener(scratch, L"vrdidle");
  const std::wstring file = scratch.AddFile(L"idle.vrdidle");
  Vorundel program(scratch.path());
  ASSERT_NE(program.form(), nullptr);
  program.SetLabel1(file);

  // Cancel in the confirmation.
  program.Click(program.CmdSet());
  HWND box = program.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  program.Answer(box, IDCANCEL);
  EXPECT_FALSE(IsIconic(program.form()));
  program.SendResume();
  EXPECT_TRUE(program.Running());
  EXPECT_EQ(program.FindMessageBox(), nullptr);

  // Armed, then restored by the user.
  program.Click(program.CmdSet());
  box = program.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  program.Answer(box, IDOK);
  ASSERT_TRUE(program.WaitUntil([&] { return IsIconic(program.form()); }));
  PostMessageW(program.form(), WM_SYSCOMMAND, SC_RESTORE, 0);
  ASSERT_TRUE(program.WaitUntil([&] { return !IsIconic(program.form()); }));
  program.SendResume();
  EXPECT_TRUE(program.Running());
  EXPECT_EQ(program.FindMessageBox(), nullptr);

  program.Click(program.CmdCancel());
  EXPECT_EQ(program.WaitForExit(), 0);
  EXPECT_FALSE(opener.Opened());
}

TEST(Vorundel, ReportsAFailedLaunchInFrontThenEnds) {
  ScratchDir scratch;
  const RecordingOpener opener(scratch, L"vrdfail");
  const std::wstring file = scratch.AddFile(L"moved away.vrdfail");
  Vorundel program(scratch.path());
  ASSERT_NE(program.form(), nullptr);
  program.SetLabel1(file);
  program.Click(program.CmdSet());
  HWND box = program.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  program.Answer(box, IDOK);
  ASSERT_TRUE(program.WaitUntil([&] { return IsIconic(program.form()); }));

  // The file goes away while armed: the shell refuses at resume.
  ASSERT_TRUE(DeleteFileW(file.c_str()));
  program.PostResume();
  box = program.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(Utf8(BoxText(box)), Utf8(Wide(kLaunchFailed)));
  // (Wine without a window manager brings every new box to the front; the
  // flag that does it on Windows is checked in the UI tests.)
  EXPECT_EQ(GetForegroundWindow(), box);
  program.Answer(box, IDOK);
  EXPECT_EQ(program.WaitForExit(), 0);
  EXPECT_FALSE(opener.Opened());
}

}  // namespace
}  // namespace vorundel::testing
