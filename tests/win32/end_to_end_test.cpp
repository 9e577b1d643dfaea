// The real vorundel.exe, worked from outside through window messages:
// layout, arming and the launch at resume, refusals, disarming.
#include <windows.h>

#include <shlobj.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <string>

#include "core/texts.h"
#include "tests/win32/program_driver.h"

namespace vorundel::testing {
namespace {

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
    EXPECT_TRUE(IsWindowEnabled(controls[i].window));
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
  ASSERT_TRUE(program.Arm());
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
  ASSERT_TRUE(program.Arm());

  // The file goes away while armed: the shell refuses at resume.
  ASSERT_TRUE(DeleteFileW(file.c_str()));
  program.PostResume();
  const HWND box = program.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(Utf8(BoxText(box)), Utf8(Wide(kLaunchFailed)));
  // (Wine without a window manager brings every new box to the front; the
  // flag that does it on Windows is checked in the UI tests.)
  EXPECT_EQ(GetForegroundWindow(), box);
  program.Answer(box, IDOK);
  EXPECT_EQ(program.WaitForExit(), 0);
  EXPECT_FALSE(opener.Opened());
}

// A shortcut at `link` to `target`, made the way the shell makes them.
void MakeShortcut(const std::wstring& link,
                  const std::wstring& target,
                  const std::wstring& arguments = L"") {
  Microsoft::WRL::ComPtr<IShellLinkW> shortcut;
  Microsoft::WRL::ComPtr<IPersistFile> file;
  ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(
      CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&shortcut)));
  ASSERT_HRESULT_SUCCEEDED(shortcut->SetPath(target.c_str()));
  ASSERT_HRESULT_SUCCEEDED(shortcut->SetArguments(arguments.c_str()));
  ASSERT_HRESULT_SUCCEEDED(shortcut.As(&file));
  ASSERT_HRESULT_SUCCEEDED(file->Save(link.c_str(), TRUE));
}

std::wstring ExecutablePrompt(const std::wstring& file) {
  return Wide(kPromptHead) + L"\r\n\r\n" + file + L"\r\n\r\n" +
         Wide(kPromptTailExecutable);
}

// The shell's own answers: commands as it runs them, shortcuts by what they
// point to, opened as the shortcut itself at resume.
TEST(Vorundel, NamesWhatTheShellOpensAndOpensShortcutsAsDropped) {
  struct ComScope {
    ComScope() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComScope() { CoUninitialize(); }
  } com;
  ScratchDir scratch;
  const RecordingOpener opener(scratch, L"vrdlnk");
  // A fresh prefix maps no .exe to its class.
  const TestClassesKey exeKey(L".exe");
  TestClassesKey::SetDefault(L".exe", L"exefile");
  const TestClassesKey expandKey(L".vrdexp");
  const TestClassesKey expandClass(L"Vorundel.Test.vrdexp");
  TestClassesKey::SetDefault(L".vrdexp", L"Vorundel.Test.vrdexp");
  const std::wstring expandable = L"%SystemRoot%\\system32\\notepad.exe %1";
  TestClassesKey::SetDefaultRaw(
      L"Vorundel.Test.vrdexp\\shell\\open\\command", REG_EXPAND_SZ,
      std::string(reinterpret_cast<const char*>(expandable.c_str()),
                  (expandable.size() + 1) * sizeof(wchar_t)));
  wchar_t windows[MAX_PATH];
  ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 0u);

  const std::wstring document = scratch.AddFile(L"target doc.vrdlnk");
  const std::wstring gone = scratch.AddFile(L"gone.vrdlnk");
  const std::wstring toDocument = scratch.path() + L"\\document.lnk";
  const std::wstring toProgram = scratch.path() + L"\\program.LNK";
  const std::wstring toGone = scratch.path() + L"\\gone.lnk";
  MakeShortcut(toDocument, document);
  MakeShortcut(toProgram, opener.ProgramPath(),
               opener.CommandArguments(L"from the shortcut"));
  MakeShortcut(toGone, gone);
  ASSERT_TRUE(DeleteFileW(gone.c_str()));

  struct Row {
    std::wstring dropped;
    std::wstring prompt;
    std::wstring opened;  // what the recorder sees at resume; none: not armed
  };
  const Row rows[] = {
      {scratch.AddFile(L"memo.vrdexp"),
       Prompt(std::wstring(windows) + L"\\system32\\notepad.exe"), L""},
      {toProgram, ExecutablePrompt(opener.ProgramPath()), L"from the shortcut"},
      {toDocument, Prompt(opener.ProgramPath()), document},
      {toGone, Wide(kFileMissing), L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.dropped));
    Vorundel program(scratch.path());
    ASSERT_NE(program.form(), nullptr);
    program.SetLabel1(row.dropped);
    program.Click(program.CmdSet());
    const HWND box = program.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(Utf8(BoxText(box)), Utf8(row.prompt));
    if (row.opened.empty()) {
      program.Answer(box, IDCANCEL);
      EXPECT_FALSE(IsIconic(program.form()));
      program.Click(program.CmdCancel());
      EXPECT_EQ(program.WaitForExit(), 0);
      continue;
    }
    program.Answer(box, IDOK);
    ASSERT_TRUE(program.WaitUntil([&] { return IsIconic(program.form()); }));
    program.PostResume();
    EXPECT_EQ(program.WaitForExit(), 0);
    ASSERT_TRUE(opener.WaitForOpen(kTimeout));
    EXPECT_EQ(Utf8(opener.OpenedPaths().back()), Utf8(row.opened));
  }
}

}  // namespace
}  // namespace vorundel::testing
