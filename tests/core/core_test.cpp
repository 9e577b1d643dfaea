#include <gtest/gtest.h>

#include "core/command_line.h"
#include "core/extension.h"
#include "core/form1_logic.h"
#include "tests/fake_platform.h"

namespace vorundel {
namespace {

using testing::FakePlatform;
using ::testing::PrintToString;
using Calls = std::vector<std::u16string>;
using Registry = std::map<std::u16string, std::optional<std::u16string>>;

constexpr char16_t kMemo[] = u"C:\\docs\\memo.txt";
constexpr char16_t kTool[] = u"C:\\tool.exe";
constexpr char16_t kMemoLink[] = u"C:\\memo.lnk";
constexpr char16_t kNotepad[] = u"C:\\WINDOWS\\NOTEPAD.EXE";
const std::u16string kTxtCommand = u"txtfile\\shell\\open\\command";
const std::u16string kFailed = u"message 0x30 失敗しました";

TEST(ExtensionTest, UpperCaseTextAfterTheLastDotOfTheLastComponent) {
  const std::u16string longName(40000, u'a');
  const struct {
    std::u16string name, extension;
  } cases[] = {
      {u"C:\\docs\\report.txt", u"TXT"},
      {u"C:\\docs\\archive.tar.gz", u"GZ"},
      {u"C:\\my.dir\\readme", u""},
      {u"readme", u""},
      {u"C:\\docs\\file.", u""},
      {u"C:\\docs\\.profile", u"PROFILE"},
      {u"D:/data/setup.Exe", u"EXE"},
      {u"/home/u/dir.d/", u""},
      {u"", u""},
      // Only ASCII letters change case: the rest reaches the lookup as is.
      {u"/tmp/データ.ｔｘｔ", u"ｔｘｔ"},
      {u"/tmp/x.äbc", u"äBC"},
      // Beyond what a 16-bit position reaches.
      {longName + u".txt", u"TXT"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Extension(c.name), c.extension) << PrintToString(c.name);
  }
}

TEST(ProgramFromCommandLineTest, TakesTheProgramOutOfTheCommand) {
  const struct {
    std::u16string commandLine, program;
    bool isFileItself = false;
  } cases[] = {
      {u"C:\\WINDOWS\\NOTEPAD.EXE %1", kNotepad},
      {u"\"C:\\Program Files\\Viewer\\view.exe\" \"%1\"",
       u"C:\\Program Files\\Viewer\\view.exe"},
      {u"\"%1\" %*", u"%1", true},
      {u"%L", u"%L", true},
      {u"%l %*", u"%l", true},
      {u"\"%1x\" %*", u"%1x"},
      {u"C:\\Tools\\run.exe /open %1", u"C:\\Tools\\run.exe"},
      {u"start.bat %1", u"start.bat"},
      {u"xdg-open\t%f", u"xdg-open"},
      {u"notepad", u"notepad"},
      {u"C:\\Program Files\\App\\app.EXE -x %1",
       u"C:\\Program Files\\App\\app.EXE"},
      {u"C:\\a.exe\\b.exe %1", u"C:\\a.exe"},
      {u"  leading.exe", u"  leading.exe"},
      // A quote that never closes: the rest, cut after ".exe".
      {u"\"C:\\Program Files\\x.exe %1", u"C:\\Program Files\\x.exe"},
      {u"\"start.bat %1", u"start.bat %1"},
      {u"\"/opt/My Viewer/view\" %f", u"/opt/My Viewer/view"},
      {u"\"\" %1", u""},
      {u"", u""},
  };
  for (const auto& c : cases) {
    const std::u16string program = ProgramFromCommandLine(c.commandLine);
    EXPECT_EQ(program, c.program) << PrintToString(c.commandLine);
    EXPECT_EQ(IsFileItself(program), c.isFileItself) << PrintToString(program);
  }
}

TEST(FileExistsTest, AnExistingFileOfAnySafeName) {
  const struct {
    const char* what;
    std::u16string path;
    std::optional<std::uint32_t> attributes;  // nothing: cannot be examined
    bool wildcards, exists, examined;
  } cases[] = {
      {"plain file", u"C:\\a.txt", 0x20, true, true, true},
      {"read-only hidden system", u"C:\\a.txt", 0x07, true, true, true},
      {"folder", u"C:\\dir", 0x10, true, false, true},
      {"folder with other bits", u"C:\\dir", 0x16, true, false, true},
      {"missing", u"C:\\gone.txt", std::nullopt, true, false, true},
      {"cloud placeholder bits", u"C:\\c.txt", 0x00400020, true, true, true},
      {"top bit set", u"C:\\c.txt", 0x80000000, true, true, true},
      {"empty", u"", 0x20, true, false, false},
      {"star on Windows", u"C:\\*.txt", 0x20, true, false, false},
      {"question mark on Windows", u"C:\\a?.txt", 0x20, true, false, false},
      {"long-path prefix", u"\\\\?\\C:\\a.txt", 0x20, true, true, true},
      {"wildcard after the prefix", u"\\\\?\\C:\\a?.txt", 0x20, true, false,
       false},
      {"prefix not at the start", u"C:\\\\?\\a.txt", 0x20, true, false, false},
      {"star on Linux", u"/tmp/*.txt", 0x20, false, true, true},
      {"question mark on Linux", u"/tmp/a?.txt", 0x20, false, true, true},
      {"empty on Linux", u"", 0x20, false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakePlatform fake;
    fake.wildcards = c.wildcards;
    if (c.attributes) {
      fake.attributes[c.path] = *c.attributes;
    }
    EXPECT_EQ(Form1Logic(fake).FileExists(c.path), c.exists);
    EXPECT_EQ(fake.examined, c.examined ? Calls{c.path} : Calls{});
  }
}

TEST(FindExecutablesTest, ProgramOfTheClassOpenCommand) {
  const std::u16string longExe = u"C:\\" + std::u16string(600, u'x') + u".exe";
  const std::u16string notepad = u"C:\\WINDOWS\\NOTEPAD.EXE %1";
  const Registry registry = {
      {u".txt", u"txtfile"},
      {kTxtCommand, notepad},
      {u".", u"txtfile"},
      {u".Äbc", u"txtfile"},
      {u".unreadable", {}},
      {u".noclass", u"none"},
      {u".nocommand", u"x"},
      {u"x\\shell\\open\\command", {}},
      {u".empty", u"empty"},
      {u"empty\\shell\\open\\command", u""},
      {u".nul", std::u16string(u"nul\0x", 5)},
      {u"nul\\shell\\open\\command", std::u16string(u"a.bat\0 x.exe", 12)},
      {u".long", u"long"},
      {u"long\\shell\\open\\command", longExe + u" %1"},
  };
  const struct {
    std::u16string ext, program;
  } cases[] = {
      {u"TXT", kNotepad},   {u"txt", kNotepad}, {u".TxT", kNotepad},
      {u"", kNotepad},      {u"ÄBC", kNotepad}, {u"XYZ", u""},
      {u"UNREADABLE", u""}, {u"NOCLASS", u""},  {u"NOCOMMAND", u""},
      {u"EMPTY", u""},      {u"NUL", u"a.bat"}, {u"LONG", longExe},
  };
  for (const auto& c : cases) {
    FakePlatform fake;
    fake.registry = registry;
    EXPECT_EQ(Form1Logic(fake).xFindExecutables(c.ext), c.program)
        << PrintToString(c.ext);
  }
}

// memo.txt opens in Notepad, programs in wine, batch files run themselves;
// the shortcuts point to tool.exe, memo.txt and a deleted file.
void ScriptDesktop(FakePlatform& fake) {
  for (const char16_t* file :
       {kMemo, kTool, u"C:\\low.exe", u"C:\\go.bat", u"C:\\docs\\memo.xyz",
        u"C:\\docs\\README", u"C:\\docs\\*.txt", u"C:\\tool.lnk", kMemoLink,
        u"C:\\dead.lnk"}) {
    fake.attributes[file] = 0x21;
  }
  fake.attributes[u"C:\\docs"] = 0x10;
  fake.shortcuts = {{u"C:\\tool.lnk", kTool},
                    {kMemoLink, kMemo},
                    {u"C:\\dead.lnk", u"C:\\docs\\gone.txt"}};
  fake.registry = {{u".txt", u"txtfile"},
                   {kTxtCommand, u"C:\\WINDOWS\\NOTEPAD.EXE %1"},
                   {u".exe", u"exefile"},
                   {u"exefile\\shell\\open\\command", u"wine start /unix %f"},
                   {u".bat", u"batfile"},
                   {u"batfile\\shell\\open\\command", u"\"%1\" %*"}};
}

std::u16string Runs(std::u16string_view file) {
  return u"message 0x41 サスペンドから復帰後\r\n\r\n" + std::u16string(file) +
         u"\r\n\r\nを起動します。";
}
std::u16string Opens(std::u16string_view program) {
  return u"message 0x41 サスペンドから復帰後\r\n\r\n" +
         std::u16string(program) +
         u"\r\n\r\nに指定ファイルを関連付けで起動します。";
}

TEST(SetCommandTest, OneMessageAndOnlyOkToTheConfirmationArmsForResume) {
  const std::u16string missing = u"message 0x10 ファイルがありません";
  const std::u16string unassociated =
      u"message 0x10 関連付けがされていないファイルです";
  const struct {
    const char* what;
    std::u16string label, shown;
    bool armed = false, resumeReceivable = false;
    int button = 1;
    std::u16string unmappedKey{};
  } cases[] = {
      // Refusals come in this order, before resume is asked about.
      {"empty label", u"", missing},
      {"missing unassociated file", u"C:\\docs\\gone.xyz", missing},
      {"folder", u"C:\\docs", missing},
      {"wildcard", u"C:\\docs\\*.txt", missing},
      {"shortcut to a deleted file", u"C:\\dead.lnk", missing},
      {"no association", u"C:\\docs\\memo.xyz", unassociated},
      {"no extension", u"C:\\docs\\README", unassociated},
      {"unassociated exe", kTool, unassociated, false, true, 1, u".exe"},
      {"resume cannot be detected", kMemo,
       u"message 0x10 "
       u"サスペンドからの復帰を検知できないため、セットできません"},
      // The confirmation names what will run; only OK arms.
      {"associated file", kMemo, Opens(kNotepad), true, true},
      {"executable", kTool, Runs(kTool), true, true},
      {"lower-case exe", u"C:\\low.exe", Runs(u"C:\\low.exe"), true, true},
      {"batch file runs itself", u"C:\\go.bat", Runs(u"C:\\go.bat"), true,
       true},
      {"shortcut to a program", u"C:\\tool.lnk", Runs(kTool), true, true},
      {"shortcut to a document", kMemoLink, Opens(kNotepad), true, true},
      {"Cancel", kMemo, Opens(kNotepad), false, true, 2},
      {"box failed to show", kMemo, Opens(kNotepad), false, true, 0},
      {"another answer", kMemo, Opens(kNotepad), false, true, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakePlatform fake;
    ScriptDesktop(fake);
    fake.registry.erase(c.unmappedKey);
    fake.label1 = c.label;
    fake.resumeReceivable = c.resumeReceivable;
    fake.button = c.button;
    Form1Logic logic(fake);
    logic.SysInfo1_PowerResume();  // not armed yet
    logic.cmdSet_Click();
    logic.SysInfo1_PowerSuspend();
    logic.SysInfo1_PowerResume();
    // Armed, the label itself opens at resume: a shortcut as itself.
    Calls expected{c.shown};
    if (c.armed) {
      expected.insert(expected.end(),
                      {u"shell " + c.label + u" | C:\\Work", u"unload"});
    }
    EXPECT_EQ(fake.calls, expected);
  }
}

TEST(ResumeLaunchTest, OneLaunchOfTheLabelWhenMinimized) {
  const std::u16string memo = u"shell C:\\docs\\memo.txt | C:\\Work";
  const struct {
    const char* what;
    int windowState;
    std::u16string label;
    std::int32_t shellResult;
    Calls calls;
  } cases[] = {
      {"normal window", 0, kMemo, 42, {}},
      {"launch works", 1, kMemo, 33, {memo, u"unload"}},
      {"shell result 32 fails", 1, kMemo, 32, {memo, kFailed, u"unload"}},
      {"negative result fails", 1, kMemo, -5, {memo, kFailed, u"unload"}},
      {"as it stands", 1, u" $x ", 33, {u"shell  $x  | C:\\Work", u"unload"}},
      {"empty text", 1, u"", 2, {u"shell  | C:\\Work", kFailed, u"unload"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakePlatform fake;
    fake.windowState = c.windowState;
    fake.label1 = c.label;
    fake.shellResult = c.shellResult;
    Form1Logic logic(fake);
    // A resume can come twice, and again during the failure message (once,
    // so that a missing guard fails here rather than recursing for ever).
    int nested = 0;
    fake.whileMessageOpen = [&] {
      if (nested++ == 0) {
        logic.SysInfo1_PowerResume();
      }
    };
    logic.SysInfo1_PowerResume();
    logic.SysInfo1_PowerResume();
    EXPECT_EQ(fake.calls, c.calls);
  }
}

TEST(ResumeLaunchTest, LaunchGivesTheShellResultOrZero) {
  const std::pair<std::int32_t, std::int32_t> cases[] = {
      {33, 33}, {32, 0}, {-1, 0}};
  for (const auto& [shell, launch] : cases) {
    FakePlatform fake;
    fake.shellResult = shell;
    EXPECT_EQ(Form1Logic(fake).LaunchFile(kMemo), launch) << shell;
  }
}

TEST(SetCommandTest, SetAgainAfterRestoringChecksAgain) {
  FakePlatform fake;
  ScriptDesktop(fake);
  fake.label1 = kMemo;
  Form1Logic logic(fake);
  logic.cmdSet_Click();
  fake.windowState = 0;  // restored: disarmed
  fake.attributes.erase(kMemo);
  logic.cmdSet_Click();
  logic.SysInfo1_PowerResume();
  EXPECT_EQ(fake.calls,
            (Calls{Opens(kNotepad), u"message 0x10 ファイルがありません"}));
}

}  // namespace
}  // namespace vorundel
