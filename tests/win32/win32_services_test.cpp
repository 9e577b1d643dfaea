// The Windows services against a real registry, file system and shell
// (the test prefix's), and the core's lookup on top of them.
#include "platform/win32/win32_services.h"

#include <objbase.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "core/form1_logic.h"
#include "platform/win32/classes_key.h"
#include "tests/win32/test_support.h"

namespace vorundel::testing {
namespace {

using namespace std::chrono_literals;

DWORD HandleCount() {
  DWORD count = 0;
  GetProcessHandleCount(GetCurrentProcess(), &count);
  return count;
}

// Characters outside the Japanese code page.
const std::wstring kUnicodeName = L"\u2603 \uD55C\uAE00 \u00E9t\u00E9";

TEST(Win32ClassesKey, ReadsDefaultValueAtAnyLengthAndNeverPastItsSize) {
  const std::wstring longValue(700, L'v');  // 1402 bytes with its NUL
  struct Case {
    const wchar_t* name;
    std::wstring value;
    bool terminated;
  };
  const Case cases[] = {
      {L"plain", L"Vorundel.Plain", true},
      {L"long", longValue, true},
      {L"unterminated", L"C:\\Tools\\bare.exe %1", false},
      {L"empty", L"", true},
      {L"unicode", kUnicodeName, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.name));
    const std::wstring subkey = std::wstring(L"Vorundel.Read.") + c.name;
    TestClassesKey key(subkey);
    TestClassesKey::SetDefault(subkey, c.value, c.terminated);
    const auto opened = win32::Win32ClassesKey::Open(U16(subkey));
    ASSERT_NE(opened, nullptr);
    const auto value = opened->ReadDefaultValue();
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(Utf8(Wide(*value)), Utf8(c.value));
  }
}

TEST(Win32ClassesKey, MissingKeyOrValueIsNothing) {
  EXPECT_EQ(win32::Win32ClassesKey::Open(u"Vorundel.NoSuchKey"), nullptr);
  TestClassesKey key(L"Vorundel.NoDefault");
  const auto opened = win32::Win32ClassesKey::Open(u"Vorundel.NoDefault");
  ASSERT_NE(opened, nullptr);
  EXPECT_FALSE(opened->ReadDefaultValue().has_value());
}

TEST(Win32Services, FindsTheAssociatedProgramInTheRegistry) {
  // The shell's association objects are COM objects.
  ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  const std::wstring longProgram =
      L"C:\\" + std::wstring(600, L'x') + L"\\app.exe";
  TestClassesKey normal(L".vrdnormal"), normalClass(L"Vorundel.Normal");
  TestClassesKey::SetDefault(L".vrdnormal", L"Vorundel.Normal");
  TestClassesKey::SetDefault(L"Vorundel.Normal\\shell\\open\\command",
                             L"\"C:\\Program Files\\Viewer\\view.exe\" \"%1\"");
  TestClassesKey longer(L".vrdlong"), longerClass(L"Vorundel.Long");
  TestClassesKey::SetDefault(L".vrdlong", L"Vorundel.Long");
  TestClassesKey::SetDefault(L"Vorundel.Long\\shell\\open\\command",
                             L"\"" + longProgram + L"\" %1");
  TestClassesKey bare(L".vrdbare"), bareClass(L"Vorundel.Bare");
  TestClassesKey::SetDefault(L".vrdbare", L"Vorundel.Bare", false);
  TestClassesKey::SetDefault(L"Vorundel.Bare\\shell\\open\\command",
                             L"C:\\Tools\\bare.exe %1", false);
  TestClassesKey orphan(L".vrdorphan");
  TestClassesKey::SetDefault(L".vrdorphan", L"Vorundel.NoSuchClass");
  TestClassesKey noCommand(L".vrdnocmd"), noCommandClass(L"Vorundel.NoCmd");
  TestClassesKey::SetDefault(L".vrdnocmd", L"Vorundel.NoCmd");
  TestClassesKey::SetDefault(L"Vorundel.NoCmd\\shell\\open", L"");

  struct Case {
    std::u16string extension;
    std::wstring program;
  };
  const Case cases[] = {
      {u"VRDNORMAL", L"C:\\Program Files\\Viewer\\view.exe"},
      {u"vrdnormal", L"C:\\Program Files\\Viewer\\view.exe"},
      {u"VRDLONG", longProgram},
      {u"VRDBARE", L"C:\\Tools\\bare.exe"},
      {u"VRDORPHAN", L""},
      {u"VRDNOCMD", L""},
      {u"VRDNOSUCH", L""},
  };
  ServicesOnly services;
  Form1Logic logic(services);
  const DWORD handlesBefore = HandleCount();
  bool countsKeys = false;
  if (const auto key = services.OpenClassesKey(u".vrdnormal")) {
    countsKeys = HandleCount() > handlesBefore;
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(Wide(c.extension)));
    EXPECT_EQ(Utf8(Wide(logic.xFindExecutables(c.extension))), Utf8(c.program));
  }
  if (countsKeys) {
    EXPECT_EQ(HandleCount(), handlesBefore) << "a key was left open";
  }
}

TEST(Win32Services, FileAttributesAreTheFullSetOrNothing) {
  ScratchDir scratch;
  const std::wstring plain = scratch.AddFile(L"plain.txt");
  const std::wstring unicode = scratch.AddFile(kUnicodeName + L".txt");
  const std::wstring marked = scratch.AddFile(L"marked.txt");
  ASSERT_TRUE(SetFileAttributesW(
      marked.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));

  ServicesOnly services;
  EXPECT_EQ(services.FileAttributes(U16(plain)).value_or(0) &
                FILE_ATTRIBUTE_DIRECTORY,
            0u);
  EXPECT_TRUE(services.FileAttributes(U16(unicode)).has_value());
  EXPECT_EQ(services.FileAttributes(U16(marked)).value_or(0) &
                (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY),
            FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
  EXPECT_NE(services.FileAttributes(U16(scratch.path())).value_or(0) &
                FILE_ATTRIBUTE_DIRECTORY,
            0u);
  EXPECT_FALSE(services.FileAttributes(U16(scratch.path() + L"\\missing.txt"))
                   .has_value());
  SetFileAttributesW(marked.c_str(), FILE_ATTRIBUTE_NORMAL);

  // What the Set command asks, through the core.
  Form1Logic logic(services);
  EXPECT_TRUE(logic.FileExists(U16(unicode)));
  EXPECT_FALSE(logic.FileExists(U16(scratch.path())));
}

TEST(Win32Services, CurrentDirectoryIsReadWhole) {
  ScratchDir scratch;
  const std::wstring deep =
      scratch.path() + L"\\" + kUnicodeName + L"\\" + std::wstring(120, L'd');
  ASSERT_TRUE(CreateDirectoryW((scratch.path() + L"\\" + kUnicodeName).c_str(),
                               nullptr));
  ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
  wchar_t previous[MAX_PATH * 2] = {};
  GetCurrentDirectoryW(MAX_PATH * 2, previous);
  ASSERT_TRUE(SetCurrentDirectoryW(deep.c_str()));
  ServicesOnly services;
  const std::u16string current = services.CurrentDirectory();
  SetCurrentDirectoryW(previous);
  EXPECT_EQ(Utf8(Wide(current)), Utf8(deep));
}

TEST(Win32Services, ShellOpenRunsTheAssociationWithTheExactPath) {
  const ComApartment com;
  ScratchDir scratch;
  const RecordingOpener opener(scratch, L"vrdopen");
  const std::wstring file =
      scratch.AddFile(kUnicodeName + L" & (copy).vrdopen");

  ServicesOnly services;
  Form1Logic logic(services);
  EXPECT_EQ(Utf8(Wide(logic.xFindExecutables(u"VRDOPEN"))),
            Utf8(opener.ProgramPath()));
  EXPECT_GT(logic.LaunchFile(U16(file)), 32);
  ASSERT_TRUE(opener.WaitForOpen(20s));
  const auto opened = opener.OpenedPaths();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(Utf8(opened[0]), Utf8(file));

  // A file that is gone: the shell refuses, and the core sees 0.
  EXPECT_EQ(logic.LaunchFile(U16(scratch.path() + L"\\gone.vrdopen")), 0);
  EXPECT_FALSE(opener.Opened());
}

}  // namespace
}  // namespace vorundel::testing
