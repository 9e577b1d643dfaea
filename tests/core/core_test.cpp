#include <gtest/gtest.h>

#include "core/command_line.h"
#include "core/extension.h"
#include "core/form1_logic.h"
#include "core/user_return.h"
#include "tests/fake_platform.h"
#include "ui/qt/minimized_state.h"

namespace vorundel {
namespace {

using testing::FakePlatform;
using ::testing::PrintToString;
using Calls = std::vector<std::u16string>;

constexpr char16_t kMemo[] = u"C:\\docs\\memo.txt";
constexpr char16_t kTool[] = u"C:\\tool.exe";
constexpr char16_t kNotepad[] = u"C:\\WINDOWS\\NOTEPAD.EXE";
// Notepad opens text files, wine programs; batch files run themselves.
const std::map<std::u16string, std::optional<std::u16string>> kRegistry = {
    {u".txt", u"txtfile"},
    {u"txtfile\\shell\\open\\command", u"C:\\WINDOWS\\NOTEPAD.EXE %1"},
    {u".exe", u"exefile"},
    {u"exefile\\shell\\open\\command", u"wine start /unix %f"},
    {u".bat", u"batfile"},
    {u"batfile\\shell\\open\\command", u"\"%1\" %*"}};

TEST(ExtensionTest, UpperCaseTextAfterTheLastDotOfTheLastComponent) {
  // Only ASCII letters change case; 40000 is past what a 16-bit int reaches.
  const std::u16string longName = std::u16string(40000, u'a') + u".txt";
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"C:\\d\\a.txt", u"TXT"}, {u"C:\\a.tar.gz", u"GZ"},
      {u"C:\\d.d\\readme", u""}, {u"readme", u""},
      {u"C:\\file.", u""},       {u"C:\\.profile", u"PROFILE"},
      {u"/u/dir.d/", u""},       {u"", u""},
      {longName, u"TXT"},        {u"/データ.ｔｘｔ", u"ｔｘｔ"},
      {u"/x.äbc", u"äBC"}};
  for (const auto& [name, extension] : cases) {
    EXPECT_EQ(Extension(name), extension) << PrintToString(name);
  }
}

TEST(ProgramFromCommandLineTest, TakesTheProgramOutOfTheCommand) {
  // A quote that never closes gives the rest, cut after ".exe".
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"\"A B.exe\" \"%1\"", u"A B.exe"},
      {u"A B.EXE -x %1", u"A B.EXE"},
      {u"\"A B.exe %1", u"A B.exe"},
      {u"\"go.bat %1", u"go.bat %1"},
      {u"\"%1\" %*", u"%1"},
      {u"%l %*", u"%l"},
      {u"start.bat %1", u"start.bat"},
      {u"xdg-open\t%f", u"xdg-open"},
      {u"notepad", u"notepad"},
      {u"a.exe\\b.exe %1", u"a.exe"},
      {u"  lead.exe", u"  lead.exe"},
      {u"\"\" %1", u""},
      {u"", u""}};
  for (const auto& [commandLine, program] : cases) {
    EXPECT_EQ(ProgramFromCommandLine(commandLine), program)
        << PrintToString(commandLine);
  }
  for (const char16_t* program : {u"%1", u"%L", u"%l"}) {
    EXPECT_TRUE(IsFileItself(program)) << PrintToString(program);
  }
  EXPECT_FALSE(IsFileItself(u"%1x"));
}

TEST(FileExistsTest, AnExistingFileOfAnySafeName) {
  // The desktop of a "/" path has no wildcards in file names.
  enum { kRefused, kNoFile, kFile };  // refused before the file system is asked
  const struct {
    std::u16string path;
    std::optional<std::uint32_t> attributes;  // nothing: cannot be examined
    int seen;
  } cases[] = {{u"C:\\a.txt", 0x27, kFile},
               {u"C:\\dir", 0x16, kNoFile},
               {u"C:\\gone", std::nullopt, kNoFile},
               {u"C:\\cloud.txt", 0x80400020, kFile},
               {u"", 0x20, kRefused},
               {u"C:\\*.txt", 0x20, kRefused},
               {u"C:\\a?.txt", 0x20, kRefused},
               {u"\\\\?\\C:\\a.txt", 0x20, kFile},
               {u"\\\\?\\C:\\b?.txt", 0x20, kRefused},
               {u"C:\\\\?\\a.txt", 0x20, kRefused},
               {u"/tmp/a?*.txt", 0x20, kFile}};
  for (const auto& c : cases) {
    SCOPED_TRACE(PrintToString(c.path));
    FakePlatform fake;
    fake.wildcards = !c.path.starts_with(u'/');
    if (c.attributes) {
      fake.attributes[c.path] = *c.attributes;
    }
    EXPECT_EQ(Form1Logic(fake).FileExists(c.path), c.seen == kFile);
    EXPECT_EQ(fake.examined, c.seen == kRefused ? Calls{} : Calls{c.path});
  }
}

TEST(FindExecutablesTest, ProgramOfTheClassOpenCommand) {
  const std::u16string longExe = u"C:\\" + std::u16string(600, u'x') + u".exe";
  FakePlatform fake;
  fake.registry = kRegistry;
  fake.registry.insert(
      {{u".", u"txtfile"},
       {u".Äbc", u"txtfile"},
       {u".unreadable", {}},
       {u".nocommand", u"x"},
       {u"x\\shell\\open\\command", {}},
       {u".long", u"long"},
       {u".nul", std::u16string(u"nul\0x", 5)},
       {u"nul\\shell\\open\\command", std::u16string(u"a.bat\0 x.exe", 12)},
       {u"long\\shell\\open\\command", longExe + u" %1"}});
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"TXT", kNotepad}, {u".TxT", kNotepad}, {u"", kNotepad},
      {u"ÄBC", kNotepad}, {u"XYZ", u""},       {u"UNREADABLE", u""},
      {u"NUL", u"a.bat"}, {u"NOCOMMAND", u""}, {u"LONG", longExe}};
  for (const auto& [ext, program] : cases) {
    EXPECT_EQ(Form1Logic(fake).xFindExecutables(ext), program)
        << PrintToString(ext);
  }
}

TEST(SetCommandTest, OneMessageAndOnlyOkToTheConfirmationArmsForResume) {
  const std::u16string ask = u"message 0x41 サスペンドから復帰後\r\n\r\n";
  const std::u16string runs = u"\r\n\r\nを起動します。";
  const std::u16string opensMemo =
      ask + kNotepad + u"\r\n\r\nに指定ファイルを関連付けで起動します。";
  const struct {
    std::u16string label, shown;
    bool armed = false;
    int button = 1;
    std::u16string unmappedKey{};
  } cases[] = {// Refusals come in this order, before resume is asked about.
               {u"C:\\docs\\gone.xyz", u"message 0x10 ファイルがありません"},
               // A shortcut to a deleted file.
               {u"C:\\dead.lnk", u"message 0x10 ファイルがありません"},
               {kTool, u"message 0x10 関連付けがされていないファイルです",
                false, 1, u".exe"},
               {kMemo,
                u"message 0x10 "
                u"サスペンドからの復帰を検知できないため、セットできません"},
               // The confirmation names what will run; only OK arms.
               {kMemo, opensMemo, true},
               {kTool, ask + kTool + runs, true},
               {u"C:\\go.bat", ask + u"C:\\go.bat" + runs, true},
               {u"C:\\tool.lnk", ask + kTool + runs, true},
               {kMemo, opensMemo, false, 2},
               {kMemo, opensMemo, false, 0},  // the box failed to show
               {kMemo, opensMemo, false, 3}};
  for (const auto& c : cases) {
    FakePlatform fake;
    for (const char16_t* file :
         {kMemo, kTool, u"C:\\go.bat", u"C:\\tool.lnk", u"C:\\dead.lnk"}) {
      fake.attributes[file] = 0x21;
    }
    fake.shortcuts = {{u"C:\\tool.lnk", kTool},
                      {u"C:\\dead.lnk", u"C:\\gone.txt"}};
    fake.registry = kRegistry;
    fake.registry.erase(c.unmappedKey);
    fake.label1 = c.label;
    // Only rows that reach the confirmation can detect resume.
    fake.resumeReceivable = c.shown.starts_with(u"message 0x41");
    fake.button = c.button;
    Form1Logic logic(fake);
    logic.cmdSet_Click();
    logic.SysInfo1_PowerResume();
    // Armed, the label itself opens at resume: a shortcut as itself.
    const Calls armed{c.shown, u"shell " + c.label, u"unload"};
    EXPECT_EQ(fake.calls, c.armed ? armed : Calls{c.shown});
  }
}

TEST(UserReturnTest, OnlyTheUsersReturnFromASleepCounts) {
  // S suspend, A resume (automatic), U resume by the user, display 0 off,
  // 2 dimmed, 1 on; under each event, ! where the user is back.
  const std::pair<std::string, std::string> cases[] = {
      {"SAU01", "..!.."},          // sleep: the user woke it
      {"SASAU", "....!"},          // an unattended wake in between
      {"10SA1", "....!"},          // modern standby: the lid opened
      {"10SASA1AU", "......!.!"},  // a second sign of the same return
      {"10S1A2010", "...!....."},  // resume after the screen lit: no sleep
      {"120121", "......"},        // idle dimming, no sleep
      {"10A1", "...!"},            // a missed suspend, then the screen
      {"1A1", "..."},              // a resume with the screen lit: no sleep
      {"S2101", "..!.."}};         // lit after a sleep, first dimmed
  for (const auto& [events, returns] : cases) {
    UserReturn rule;
    std::string seen;
    for (const char event : events) {
      const auto e = std::string_view("SAU021").find(event);
      seen += rule.Notice(static_cast<PowerEvent>(e)) ? '!' : '.';
    }
    EXPECT_EQ(seen, returns) << events;
  }
}

TEST(ResumeLaunchTest, OneLaunchOfTheLabelWhenMinimized) {
  const std::u16string failed = u"message 0x30 失敗しました";
  const struct {
    int windowState, shellResult, launchResult;
    std::u16string label;
    Calls calls;
  } cases[] = {{0, 42, 42, u"m", {}},
               {1, 33, 33, u"m", {u"shell m", u"unload"}},
               {1, 32, 0, u"m", {u"shell m", failed, u"unload"}},
               {1, -5, 0, u"m", {u"shell m", failed, u"unload"}},
               {1, 33, 33, u" $x ", {u"shell  $x ", u"unload"}}};
  for (const auto& c : cases) {
    FakePlatform fake;
    fake.windowState = c.windowState;
    fake.label1 = c.label;
    fake.shellResult = c.shellResult;
    Form1Logic logic(fake);
    // A resume can come twice, and again during the failure message.
    fake.whileMessageOpen = [&] { logic.SysInfo1_PowerResume(); };
    logic.SysInfo1_PowerResume();
    logic.SysInfo1_PowerResume();
    EXPECT_EQ(fake.calls, c.calls);
    EXPECT_EQ(logic.LaunchFile(u"m"), c.launchResult);
  }
}

// The Linux window's rule where the compositor does not report minimization
// (Wayland): minimized from its own minimize until it is next activated.
TEST(MinimizedStateTest,
     UnreportedStateArmsFromOurMinimizeUntilNextActivation) {
  // m: minimized by us; a: activated; i: deactivated.
  const std::pair<std::string, bool> cases[] = {{"ai", false},
                                                {"mi", true},
                                                {"ma", true},
                                                {"mia", false},
                                                {"miam", true}};
  for (const auto& [events, minimized] : cases) {
    ui::MinimizedState state(false);
    for (const char e : events) {
      e == 'm' ? state.Minimizing() : state.ActivationChanged(e == 'a');
    }
    EXPECT_EQ(state.IsMinimized(false), minimized) << events;
  }
}

}  // namespace
}  // namespace vorundel
