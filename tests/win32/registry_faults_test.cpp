// Associations that cannot be read as text, or not at all, and what the
// shell open refuses: against the test prefix's real registry and shell.
#include <objbase.h>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

#include "core/form1_logic.h"
#include "platform/win32/classes_key.h"
#include "platform/win32/win32_services.h"
#include "tests/win32/test_support.h"

namespace vorundel::testing {
namespace {

using namespace std::chrono_literals;

std::string Bytes(std::initializer_list<unsigned char> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

DWORD HandleCount() {
  DWORD count = 0;
  GetProcessHandleCount(GetCurrentProcess(), &count);
  return count;
}

// The registry does not look at the type of a default value, and neither
// does the lookup: whatever the bytes are, they are read as UTF-16 units,
// as many as fit in the value's size and up to the first NUL.
TEST(Win32ClassesKey, ReadsANonTextValueAsItsBytesAndNoFurther) {
  struct Case {
    const char* what;
    DWORD type;
    std::string bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {"DWORD 1", REG_DWORD, Bytes({1, 0, 0, 0}), u"\u0001"},
      {"DWORD spelling two letters", REG_DWORD, Bytes({'a', 0, 'b', 0}), u"ab"},
      {"DWORD 0", REG_DWORD, Bytes({0, 0, 0, 0}), u""},
      {"DWORD of ones", REG_DWORD, Bytes({0xFF, 0xFF, 0xFF, 0xFF}),
       u"\uFFFF\uFFFF"},
      {"QWORD", REG_QWORD, Bytes({'q', 0, 'w', 0, 0, 0, 'x', 0}), u"qw"},
      {"binary of odd size", REG_BINARY, Bytes({'A', 0, 'B'}), u"A"},
      {"one byte", REG_BINARY, Bytes({'A'}), u""},
      {"no bytes", REG_NONE, "", u""},
      {"string of odd size", REG_SZ, Bytes({'A', 0, 'B'}), u"A"},
      {"list of strings", REG_MULTI_SZ,
       Bytes(
           {'o', 0, 'n', 0, 'e', 0, 0, 0, 't', 0, 'w', 0, 'o', 0, 0, 0, 0, 0}),
       u"one"},
      {"unexpanded reference", REG_EXPAND_SZ,
       Bytes({'%', 0, 'O', 0, 'S', 0, '%', 0, 0, 0}), u"%OS%"},
  };
  const std::wstring subkey = L"Vorundel.Typed";
  TestClassesKey key(subkey);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestClassesKey::SetDefaultRaw(subkey, c.type, c.bytes);
    const auto opened = win32::Win32ClassesKey::Open(U16(subkey));
    ASSERT_NE(opened, nullptr);
    const std::optional<std::u16string> value = opened->ReadDefaultValue();
    ASSERT_TRUE(value.has_value());
    EXPECT_LE(value->size(), c.bytes.size() / 2);
    EXPECT_TRUE(*value == c.text) << Utf8(Wide(*value));
  }
}

TEST(Win32ClassesKey, AKeyThatMayNotBeReadIsNotThere) {
  TestClassesKey key(L"Vorundel.Denied");
  TestClassesKey::SetDefault(L"Vorundel.Denied", L"text");
  {
    const DeniedReading denied(L"Vorundel.Denied");
    HKEY raw = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, L"Vorundel.Denied", 0,
                            KEY_QUERY_VALUE, &raw),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(win32::Win32ClassesKey::Open(u"Vorundel.Denied"), nullptr);
  }
  EXPECT_NE(win32::Win32ClassesKey::Open(u"Vorundel.Denied"), nullptr);
}

// What the Set command gets from a broken association: no program, and no
// key left open.
TEST(Win32Services, AnAssociationThatCannotBeReadIsNone) {
  const std::wstring command = L"\"C:\\Tools\\view.exe\" \"%1\"";
  TestClassesKey dword(L".vrdfdword");
  TestClassesKey::SetDefaultRaw(L".vrdfdword", REG_DWORD, Bytes({1, 0, 0, 0}));
  TestClassesKey commandDword(L".vrdfcmddw"), commandDwordClass(L"Vrd.CmdDw");
  TestClassesKey::SetDefault(L".vrdfcmddw", L"Vrd.CmdDw");
  TestClassesKey::SetDefaultRaw(L"Vrd.CmdDw\\shell\\open\\command", REG_DWORD,
                                Bytes({0, 0, 0, 0}));
  TestClassesKey denied(L".vrdfdeny"), deniedClass(L"Vrd.Deny");
  TestClassesKey::SetDefault(L".vrdfdeny", L"Vrd.Deny");
  TestClassesKey::SetDefault(L"Vrd.Deny\\shell\\open\\command", command);
  TestClassesKey deniedCommand(L".vrdfdenycmd"), deniedCommandClass(L"Vrd.DC");
  TestClassesKey::SetDefault(L".vrdfdenycmd", L"Vrd.DC");
  TestClassesKey::SetDefault(L"Vrd.DC\\shell\\open\\command", command);
  const DeniedReading extensionDenied(L".vrdfdeny");
  const DeniedReading commandDenied(L"Vrd.DC\\shell\\open\\command");

  ServicesOnly services;
  Form1Logic logic(services);
  const DWORD handlesBefore = HandleCount();
  for (const char16_t* extension :
       {u"VRDFDWORD", u"VRDFCMDDW", u"VRDFDENY", u"VRDFDENYCMD"}) {
    SCOPED_TRACE(Utf8(Wide(extension)));
    EXPECT_EQ(Utf8(Wide(logic.xFindExecutables(extension))), "");
  }
  EXPECT_EQ(HandleCount(), handlesBefore) << "a key was left open";
}

// The shell open refuses what is not the armed file, and never runs a
// file whose class has no open command, whichever route it takes.
TEST(Win32Services, ShellOpenRefusesWhatItCannotOpenAsAFile) {
  const ComApartment com;
  ScratchDir scratch;
  const RecordingOpener opener(scratch, L"vrdrefuse");
  TestClassesKey noCommand(L".vrdnocmd2"), noCommandClass(L"Vrd.NoCmd2");
  TestClassesKey::SetDefault(L".vrdnocmd2", L"Vrd.NoCmd2");
  TestClassesKey::SetDefault(L"Vrd.NoCmd2\\shell\\open", L"");
  const std::wstring deep = scratch.path() + L"\\" + std::wstring(150, L'd');
  ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW((scratch.path() + L"\\folder.vrdrefuse").c_str(),
                               nullptr));

  struct Case {
    const char* what;
    std::wstring path;
    bool create;
  };
  const Case cases[] = {
      {"folder", scratch.path() + L"\\folder.vrdrefuse", false},
      {"missing", scratch.path() + L"\\gone.vrdrefuse", false},
      {"missing, expandable", scratch.path() + L"\\%SystemRoot%.vrdrefuse",
       false},
      {"no open command", scratch.path() + L"\\plain.vrdnocmd2", true},
      {"no open command, expandable",
       scratch.path() + L"\\%SystemRoot%.vrdnocmd2", true},
      {"no open command, long",
       deep + L"\\" + std::wstring(120, L'f') + L".vrdnocmd2", true},
      {"no class, long", deep + L"\\" + std::wstring(120, L'f') + L".vrdnone",
       true},
      {"no extension, long", deep + L"\\" + std::wstring(120, L'f'), true},
  };
  ServicesOnly services;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.create) {
      scratch.AddFile(c.path.substr(scratch.path().size() + 1));
    }
    EXPECT_LE(services.ShellOpen(U16(c.path), U16(scratch.path())), 32);
  }
  EXPECT_FALSE(opener.Opened());
}

}  // namespace
}  // namespace vorundel::testing
