#include <gtest/gtest.h>

#include "core/form1_logic.h"
#include "tests/fake_platform.h"

namespace vorundel {
namespace {

using testing::FakePlatform;

constexpr char16_t kMemo[] = u"C:\\docs\\memo.txt";

TEST(ResumeLaunchTest, LaunchesOnlyWhenMinimized) {
  const struct {
    const char* what;
    int windowState;
    std::u16string label;
    std::int32_t shellResult;
    std::vector<std::string> calls;
  } cases[] = {
      {"normal window", 0, kMemo, 42, {}},
      {"launch works",
       1,
       kMemo,
       33,
       {"directory", "shell C:\\docs\\memo.txt | D:\\cwd", "unload"}},
      {"shell result 32 fails",
       1,
       kMemo,
       32,
       {"directory", "shell C:\\docs\\memo.txt | D:\\cwd",
        "message 0x30 失敗しました", "unload"}},
      {"shell result 0 fails",
       1,
       kMemo,
       0,
       {"directory", "shell C:\\docs\\memo.txt | D:\\cwd",
        "message 0x30 失敗しました", "unload"}},
      {"negative result fails",
       1,
       kMemo,
       -5,
       {"directory", "shell C:\\docs\\memo.txt | D:\\cwd",
        "message 0x30 失敗しました", "unload"}},
      {"text sent exactly as it stands",
       1,
       u" a $(x) b.txt ",
       33,
       {"directory", "shell  a $(x) b.txt  | D:\\cwd", "unload"}},
      {"empty text still goes to the shell",
       1,
       u"",
       2,
       {"directory", "shell  | D:\\cwd", "message 0x30 失敗しました",
        "unload"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakePlatform fake;
    fake.windowState = c.windowState;
    fake.label1 = c.label;
    fake.currentDirectory = u"D:\\cwd";
    fake.shellResult = c.shellResult;
    Form1Logic logic(fake);
    logic.SysInfo1_PowerResume();
    EXPECT_EQ(fake.calls, c.calls);
    if (!fake.messages.empty()) {
      EXPECT_EQ(fake.messages[0].caption, u"Vorundel");
    }
  }
}

TEST(ResumeLaunchTest, LaunchReturnsTheShellResultOrZero) {
  const struct {
    std::int32_t shell;
    std::int32_t launch;
  } cases[] = {{33, 33}, {42, 42}, {32, 0}, {1, 0}, {0, 0}, {-1, 0}};
  for (const auto& c : cases) {
    FakePlatform fake;
    fake.shellResult = c.shell;
    Form1Logic logic(fake);
    std::u16string path = kMemo;
    EXPECT_EQ(logic.LaunchFile(path), c.launch) << c.shell;
    EXPECT_EQ(path, kMemo);
  }
}

TEST(ResumeLaunchTest, OneLaunchPerArmingEvenDuringTheFailureMessage) {
  FakePlatform fake;
  fake.windowState = 1;
  fake.label1 = kMemo;
  fake.shellResult = 2;
  Form1Logic logic(fake);
  fake.whileMessageOpen = [&](const testing::RecordedMessage&) {
    logic.SysInfo1_PowerResume();  // the second notification of a resume
  };
  logic.SysInfo1_PowerResume();
  logic.SysInfo1_PowerResume();  // and one after the window went away
  EXPECT_EQ(fake.shellPaths.size(), 1u);
  EXPECT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.unloads, 1);
}

TEST(ResumeLaunchTest, ArmThenResume) {
  FakePlatform fake;
  fake.attributes[kMemo] = 0x20;
  fake.registry[u".txt"] = u"txtfile";
  fake.registry[u"txtfile\\shell\\open\\command"] = u"notepad.exe %1";
  fake.label1 = kMemo;
  Form1Logic logic(fake);

  logic.SysInfo1_PowerResume();  // not armed yet
  logic.cmdSet_Click();
  logic.SysInfo1_PowerSuspend();
  EXPECT_EQ(fake.windowState, 1);
  EXPECT_TRUE(fake.shellPaths.empty());

  logic.SysInfo1_PowerResume();
  EXPECT_EQ(fake.shellPaths, std::vector<std::u16string>{kMemo});
  EXPECT_EQ(fake.unloads, 1);
}

TEST(ResumeLaunchTest, RestoringDisarms) {
  FakePlatform fake;
  fake.attributes[kMemo] = 0x20;
  fake.registry[u".txt"] = u"txtfile";
  fake.registry[u"txtfile\\shell\\open\\command"] = u"notepad.exe %1";
  fake.label1 = kMemo;
  Form1Logic logic(fake);
  logic.cmdSet_Click();
  fake.windowState = 0;
  logic.SysInfo1_PowerResume();
  EXPECT_TRUE(fake.shellPaths.empty());
  EXPECT_EQ(fake.unloads, 0);
}

TEST(ResumeLaunchTest, SuspendDoesNothing) {
  for (int state : {0, 1}) {
    FakePlatform fake;
    fake.windowState = state;
    fake.label1 = kMemo;
    Form1Logic logic(fake);
    logic.SysInfo1_PowerSuspend();
    EXPECT_TRUE(fake.calls.empty());
  }
}

}  // namespace
}  // namespace vorundel
