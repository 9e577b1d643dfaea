#include "tests/win32/program_driver.h"

#include <gtest/gtest.h>

#include "core/texts.h"

namespace vorundel::testing {

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

std::wstring BoxText(HWND box) {
  wchar_t text[2048] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 2048);
  return text;
}

std::wstring Prompt(const std::wstring& program) {
  return Wide(kPromptHead) + L"\r\n\r\n" + program + L"\r\n\r\n" +
         Wide(kPromptTailAssociated);
}

namespace {

// The top-level windows of a process.
std::vector<HWND> WindowsOf(DWORD process) {
  struct Search {
    DWORD process;
    std::vector<HWND> found;
  } search{process, {}};
  EnumWindows(
      [](HWND window, LPARAM data) CALLBACK -> BOOL {
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

}  // namespace

Vorundel::Vorundel(const std::wstring& directory) {
  const std::wstring exe = ExecutableDir() + L"\\vorundel.exe";
  std::wstring commandLine = L"\"" + exe + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                      0, nullptr, directory.c_str(), &startup, &info)) {
    ADD_FAILURE() << "cannot start " << Utf8(exe);
    return;
  }
  process_.reset(info.hProcess);
  CloseHandle(info.hThread);
  id_ = info.dwProcessId;
  WaitUntil([this] { return (form_ = FindForm()) != nullptr; });
}

Vorundel::~Vorundel() {
  if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_.get(), 99);
    WaitForSingleObject(process_.get(), 5000);
  }
}

std::vector<Control> Vorundel::Controls() const {
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

HWND Vorundel::Label1() const {
  // The static control: the only one of its class.
  for (const Control& control : Controls()) {
    if (CompareStringOrdinal(control.className.c_str(), -1, L"static", -1,
                             TRUE) == CSTR_EQUAL) {
      return control.window;
    }
  }
  ADD_FAILURE() << "no Label1";
  return nullptr;
}

HWND Vorundel::CmdSet() const {
  return ControlWithText(Wide(kCmdSetCaption));
}

HWND Vorundel::CmdCancel() const {
  return ControlWithText(Wide(kCmdCancelCaption));
}

void Vorundel::SetLabel1(const std::wstring& path) const {
  DWORD_PTR result = 0;
  ASSERT_TRUE(SendMessageTimeoutW(Label1(), WM_SETTEXT, 0,
                                  reinterpret_cast<LPARAM>(path.c_str()),
                                  SMTO_ABORTIFHUNG, 5000, &result));
}

HWND Vorundel::WaitForMessageBox() const {
  HWND box = nullptr;
  WaitUntil([&] { return (box = FindMessageBox()) != nullptr; });
  return box;
}

HWND Vorundel::FindMessageBox() const {
  for (HWND window : WindowsOf(id_)) {
    if (ClassOf(window) == L"#32770") {
      return window;
    }
  }
  return nullptr;
}

std::size_t Vorundel::MessageBoxCount() const {
  std::size_t count = 0;
  for (HWND window : WindowsOf(id_)) {
    count += ClassOf(window) == L"#32770" ? 1 : 0;
  }
  return count;
}

void Vorundel::Answer(HWND box, int button) const {
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
}

void Vorundel::SendResume() const {
  DWORD_PTR result = 0;
  EXPECT_TRUE(SendMessageTimeoutW(form_, WM_POWERBROADCAST,
                                  PBT_APMRESUMEAUTOMATIC, 0, SMTO_ABORTIFHUNG,
                                  5000, &result));
}

bool Vorundel::Running() const {
  return WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

long Vorundel::WaitForExit() const {
  if (WaitForSingleObject(process_.get(), 20000) != WAIT_OBJECT_0) {
    return -1;
  }
  DWORD status = 0;
  GetExitCodeProcess(process_.get(), &status);
  return static_cast<long>(status);
}

bool Vorundel::WaitUntil(const std::function<bool()>& condition) const {
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

HWND Vorundel::FindForm() const {
  for (HWND window : WindowsOf(id_)) {
    if (ClassOf(window) != L"#32770" && TextOf(window) == L"Vorundel") {
      return window;
    }
  }
  return nullptr;
}

HWND Vorundel::ControlWithText(const std::wstring& text) const {
  for (const Control& control : Controls()) {
    if (control.text == text) {
      return control.window;
    }
  }
  ADD_FAILURE() << "no control with text " << Utf8(text);
  return nullptr;
}

std::optional<std::wstring> Vorundel::Arm() const {
  Click(CmdSet());
  const HWND box = WaitForMessageBox();
  if (box == nullptr) {
    return std::nullopt;
  }
  std::wstring prompt = BoxText(box);
  Answer(box, IDOK);
  if (!WaitUntil([this] { return IsIconic(form_) != FALSE; })) {
    return std::nullopt;
  }
  return prompt;
}

}  // namespace vorundel::testing
