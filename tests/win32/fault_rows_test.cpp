// The real vorundel.exe when things go wrong: an association it cannot
// read at Set, the armed file or its association changed before the
// resume, and a resume that arrives while the failure is being reported.
#include <windows.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

#include "core/texts.h"
#include "tests/win32/program_driver.h"

namespace vorundel::testing {
namespace {

std::string Bytes(std::initializer_list<unsigned char> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// The ids of running processes whose program is one of `names`.
std::set<DWORD> ProcessesNamed(std::initializer_list<const wchar_t*> names) {
  std::set<DWORD> found;
  const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    for (const wchar_t* name : names) {
      if (CompareStringOrdinal(entry.szExeFile, -1, name, -1, TRUE) ==
          CSTR_EQUAL) {
        found.insert(entry.th32ProcessID);
      }
    }
  }
  return found;
}

// Arms `file` in `program`: Set, OK, minimized.
void Arm(const Vorundel& program,
         const std::wstring& file,
         const RecordingOpener& opener) {
  program.SetLabel1(file);
  const auto prompt = program.Arm();
  ASSERT_TRUE(prompt);
  ASSERT_EQ(Utf8(*prompt), Utf8(Prompt(opener.ProgramPath())));
}

// Set refuses a file whose association cannot be read as it refuses an
// unassociated one, and stays unarmed.
TEST(Faults, AnAssociationThatCannotBeReadRefusesToArm) {
  ScratchDir scratch;
  TestClassesKey dword(L".vrdedword");
  TestClassesKey::SetDefaultRaw(L".vrdedword", REG_DWORD, Bytes({1, 0, 0, 0}));
  const RecordingOpener deniedExtension(scratch, L"vrdedeny");
  const RecordingOpener deniedCommand(scratch, L"vrdedenycmd");
  const DeniedReading extensionKeyDenied(L".vrdedeny");
  const DeniedReading commandKeyDenied(
      L"Vorundel.Test.vrdedenycmd\\shell\\open\\command");

  Vorundel program(scratch.path());
  ASSERT_NE(program.form(), nullptr);
  const struct {
    const char* what;
    std::wstring name;
  } cases[] = {
      {"default value of type DWORD", L"numbers.vrdedword"},
      {"extension key denied", L"locked.vrdedeny"},
      {"command key denied", L"locked command.vrdedenycmd"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    program.SetLabel1(scratch.AddFile(c.name));
    program.Click(program.CmdSet());
    const HWND box = program.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(Utf8(BoxText(box)), Utf8(Wide(kNotAssociated)));
    program.Answer(box, IDOK);
    EXPECT_FALSE(IsIconic(program.form()));
  }
  program.Click(program.CmdCancel());
  EXPECT_EQ(program.WaitForExit(), 0);
  EXPECT_FALSE(deniedExtension.Opened());
  EXPECT_FALSE(deniedCommand.Opened());
}

// Whatever changed between arming and the resume, the resume reports the
// failure, opens nothing else (no file manager on a folder) and ends.
TEST(Faults, WhatChangedAfterArmingIsReportedAtResumeThenEnds) {
  ScratchDir scratch;
  const RecordingOpener opener(scratch, L"vrdchanged");
  struct Case {
    const char* what;
    const wchar_t* name;
    std::function<void(const std::wstring& file)> change;
  };
  const Case cases[] = {
      {"renamed", L"renamed.vrdchanged",
       [&](const std::wstring& file) {
         ASSERT_TRUE(MoveFileW(file.c_str(), (file + L".old").c_str()));
       }},
      {"replaced by a folder", L"folder soon.vrdchanged",
       [&](const std::wstring& file) {
         ASSERT_TRUE(DeleteFileW(file.c_str()));
         ASSERT_TRUE(CreateDirectoryW(file.c_str(), nullptr));
       }},
      {"association removed", L"orphan.vrdchanged",
       [&](const std::wstring&) { opener.Unregister(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::wstring file = scratch.AddFile(c.name);
    Vorundel program(scratch.path());
    ASSERT_NE(program.form(), nullptr);
    Arm(program, file, opener);
    c.change(file);
    const auto fileManagers =
        ProcessesNamed({L"explorer.exe", L"winefile.exe"});

    program.PostResume();
    const HWND box = program.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(Utf8(BoxText(box)), Utf8(Wide(kLaunchFailed)));
    program.Answer(box, IDOK);
    EXPECT_EQ(program.WaitForExit(), 0);
    EXPECT_EQ(ProcessesNamed({L"explorer.exe", L"winefile.exe"}), fileManagers);
    opener.Register();
  }
  EXPECT_FALSE(opener.Opened());
}

// Resumes that arrive while the failure message is open change nothing:
// one message, one launch attempt, and the program ends when it is read.
TEST(Faults, AResumeDuringTheFailureMessageDoesNothing) {
  ScratchDir scratch;
  const RecordingOpener opener(scratch, L"vrdtwice");
  const std::wstring file = scratch.AddFile(L"soon gone.vrdtwice");
  Vorundel program(scratch.path());
  ASSERT_NE(program.form(), nullptr);
  Arm(program, file, opener);
  ASSERT_TRUE(DeleteFileW(file.c_str()));

  program.PostResume();
  const HWND box = program.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  // The file is back: a second launch attempt would now succeed.
  scratch.AddFile(L"soon gone.vrdtwice");
  program.PostResume(PBT_APMRESUMEAUTOMATIC);
  program.PostResume(PBT_APMRESUMESUSPEND);
  // A sent one comes back only once handled: a second modal message
  // would hold it.
  program.SendResume();
  EXPECT_EQ(program.MessageBoxCount(), 1u);
  EXPECT_EQ(Utf8(BoxText(box)), Utf8(Wide(kLaunchFailed)));
  program.Answer(box, IDOK);
  EXPECT_EQ(program.WaitForExit(), 0);
  EXPECT_FALSE(opener.Opened());
}

}  // namespace
}  // namespace vorundel::testing
