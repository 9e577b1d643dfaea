#include <gtest/gtest.h>

#include "core/form1_logic.h"
#include "core/texts.h"
#include "tests/fake_platform.h"

namespace vorundel {
namespace {

using testing::FakePlatform;

constexpr char16_t kMemo[] = u"C:\\docs\\memo.txt";
constexpr char16_t kTool[] = u"C:\\tools\\tool.exe";
constexpr char16_t kBatch[] = u"C:\\tools\\go.bat";
constexpr char16_t kToolLink[] = u"C:\\Desktop\\tool.lnk";
constexpr char16_t kMemoLink[] = u"C:\\Desktop\\memo.lnk";
constexpr char16_t kDeadLink[] = u"C:\\Desktop\\dead.lnk";

// A desktop where memo.txt opens in Notepad, tool.exe runs itself,
// go.bat is its own program, and shortcuts point to tool.exe, memo.txt and
// a file that was deleted.
void ScriptDesktop(FakePlatform& fake) {
  for (const auto* link : {kToolLink, kMemoLink, kDeadLink}) {
    fake.attributes[link] = 0x20;
  }
  fake.shortcuts[kToolLink] = kTool;
  fake.shortcuts[kMemoLink] = kMemo;
  fake.shortcuts[kDeadLink] = u"C:\\docs\\gone.txt";
  fake.attributes[kMemo] = 0x20;
  fake.attributes[kTool] = 0x21;
  fake.attributes[kBatch] = 0x20;
  fake.attributes[u"C:\\docs"] = 0x10;
  fake.registry[u".txt"] = u"txtfile";
  fake.registry[u"txtfile\\shell\\open\\command"] =
      u"C:\\WINDOWS\\NOTEPAD.EXE %1";
  fake.registry[u".exe"] = u"exefile";
  fake.registry[u"exefile\\shell\\open\\command"] = u"\"%1\" %*";
  fake.registry[u".bat"] = u"batfile";
  fake.registry[u"batfile\\shell\\open\\command"] = u"\"%1\" %*";
}

TEST(SetCommandTest, RefusesWithTheReasonAndLeavesTheWindowAlone) {
  const struct {
    const char* what;
    std::u16string label;
    bool resumeReceivable;
    std::u16string_view message;
  } cases[] = {
      {"empty label", u"", true, kFileMissing},
      {"missing file", u"C:\\docs\\gone.txt", true, kFileMissing},
      {"folder", u"C:\\docs", true, kFileMissing},
      {"wildcard", u"C:\\docs\\*.txt", true, kFileMissing},
      {"shortcut to a deleted file", kDeadLink, true, kFileMissing},
      {"no association", u"C:\\docs\\memo.xyz", true, kNotAssociated},
      {"no extension", u"C:\\docs\\README", true, kNotAssociated},
      {"resume cannot be detected", kMemo, false, kResumeUndetectable},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakePlatform fake;
    ScriptDesktop(fake);
    fake.attributes[u"C:\\docs\\memo.xyz"] = 0x20;
    fake.attributes[u"C:\\docs\\README"] = 0x20;
    fake.attributes[u"C:\\docs\\*.txt"] = 0x20;
    fake.resumeReceivable = c.resumeReceivable;
    fake.label1 = c.label;
    Form1Logic logic(fake);
    logic.cmdSet_Click();
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text, c.message);
    EXPECT_EQ(fake.messages[0].style, 0x10u);
    EXPECT_EQ(fake.messages[0].caption, u"Vorundel");
    EXPECT_EQ(fake.windowState, 0);
    EXPECT_EQ(fake.label1, c.label);
    EXPECT_TRUE(fake.shellPaths.empty());
  }
}

TEST(SetCommandTest, ConfirmationNamesWhatWillRun) {
  const std::u16string head = u"サスペンドから復帰後\r\n\r\n";
  const struct {
    const char* what;
    std::u16string label;
    std::u16string prompt;
  } cases[] = {
      {"associated file", kMemo,
       head + u"C:\\WINDOWS\\NOTEPAD.EXE\r\n\r\n"
              u"に指定ファイルを関連付けで起動します。"},
      {"executable", kTool, head + kTool + u"\r\n\r\nを起動します。"},
      {"lower-case exe", u"C:\\tools\\low.exe",
       head + u"C:\\tools\\low.exe\r\n\r\nを起動します。"},
      {"batch file runs itself", kBatch,
       head + kBatch + u"\r\n\r\nを起動します。"},
      {"shortcut to a program names the program", kToolLink,
       head + kTool + u"\r\n\r\nを起動します。"},
      {"shortcut to a document names its program", kMemoLink,
       head + u"C:\\WINDOWS\\NOTEPAD.EXE\r\n\r\n"
              u"に指定ファイルを関連付けで起動します。"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakePlatform fake;
    ScriptDesktop(fake);
    fake.attributes[u"C:\\tools\\low.exe"] = 0x20;
    fake.label1 = c.label;
    Form1Logic logic(fake);
    logic.cmdSet_Click();
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text, c.prompt);
    EXPECT_EQ(fake.messages[0].style, 0x41u);
    EXPECT_EQ(fake.messages[0].caption, u"Vorundel");
  }
}

TEST(SetCommandTest, OkArmsCancelDoesNot) {
  const struct {
    int button;
    int windowState;
  } cases[] = {{1, 1}, {2, 0}, {0, 0}, {-1, 0}, {3, 0}};
  for (const auto& c : cases) {
    FakePlatform fake;
    ScriptDesktop(fake);
    fake.label1 = kMemo;
    fake.buttons = {c.button};
    Form1Logic logic(fake);
    logic.cmdSet_Click();
    EXPECT_EQ(fake.windowState, c.windowState) << "button " << c.button;
    EXPECT_TRUE(fake.shellPaths.empty());
    EXPECT_EQ(fake.unloads, 0);
  }
}

TEST(SetCommandTest, ChecksRunInOrderAndResumeIsAskedLast) {
  FakePlatform fake;
  ScriptDesktop(fake);
  fake.label1 = kMemo;
  Form1Logic logic(fake);
  logic.cmdSet_Click();
  EXPECT_EQ(fake.calls, (std::vector<std::string>{
                            "attributes C:\\docs\\memo.txt",
                            "shortcut? C:\\docs\\memo.txt",
                            "open .txt",
                            "read .txt",
                            "close .txt",
                            "open txtfile\\shell\\open\\command",
                            "read txtfile\\shell\\open\\command",
                            "close txtfile\\shell\\open\\command",
                            "resume?",
                            "message 0x41 サスペンドから復帰後\r\n\r\n"
                            "C:\\WINDOWS\\NOTEPAD.EXE\r\n\r\n"
                            "に指定ファイルを関連付けで起動します。",
                            "minimize",
                        }));
}

TEST(SetCommandTest, AnArmedShortcutIsItselfWhatResumeOpens) {
  FakePlatform fake;
  ScriptDesktop(fake);
  fake.label1 = kMemoLink;
  Form1Logic logic(fake);
  logic.cmdSet_Click();
  ASSERT_EQ(fake.windowState, 1);
  logic.SysInfo1_PowerResume();
  EXPECT_EQ(fake.shellPaths, std::vector<std::u16string>{kMemoLink});
}

TEST(SetCommandTest, SetAgainAfterRestoringRepeatsEveryCheck) {
  FakePlatform fake;
  ScriptDesktop(fake);
  fake.label1 = kMemo;
  Form1Logic logic(fake);
  logic.cmdSet_Click();
  ASSERT_EQ(fake.windowState, 1);
  fake.windowState = 0;  // the user restores the window
  fake.attributes.erase(kMemo);
  fake.calls.clear();
  logic.cmdSet_Click();
  EXPECT_EQ(fake.calls, (std::vector<std::string>{
                            "attributes C:\\docs\\memo.txt",
                            "message 0x10 ファイルがありません",
                        }));
  EXPECT_EQ(fake.windowState, 0);
}

}  // namespace
}  // namespace vorundel
