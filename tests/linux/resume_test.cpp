// The whole program's resume path over a real bus: the window in its own
// process (form1_probe), logind's stand-in on the private system bus, the
// launch recorder as the file's application.
#include <gtest/gtest.h>
#include <fstream>
#include <memory>

#include "tests/linux/desktop_sandbox.h"
#include "tests/linux/probe_processes.h"

namespace vorundel::testing {
namespace {

class ResumeTest : public ::testing::Test {
 protected:
  void SetUp() override { Sandbox().ForgetLaunches(); }
};

std::string MemoFile() {
  const std::string path = Sandbox().files() + "/memo.txt";
  std::ofstream(path) << "memo\n";
  return path;
}

TEST_F(ResumeTest, ArmedWindowOpensTheFileOnceAtResumeAndEnds) {
  const std::string memo = MemoFile();
  StandIn logind;
  Probe probe;
  std::string prompt;
  EXPECT_EQ(probe.Arm(memo, &prompt), "state 1");
  EXPECT_NE(prompt.find("vorundel-test-recorder"), std::string::npos) << prompt;
  logind.Emit(false);
  logind.Emit(false);  // a second resume must not open it again
  EXPECT_EQ(probe.Finish(), 0);
  const auto launches = Sandbox().Launches();
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(launches[0].arguments, std::vector<std::string>{memo});
}

TEST_F(ResumeTest, NothingHappensUnlessArmedAndResuming) {
  const struct {
    const char* what;
    bool arm;
    bool restore;
    bool sleeping;
  } cases[] = {
      {"not armed, resume", false, false, false},
      {"armed, suspend", true, false, true},
      {"armed then restored, resume", true, true, false},
  };
  const std::string memo = MemoFile();
  StandIn logind;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Probe probe;
    if (c.arm) {
      EXPECT_EQ(probe.Arm(memo), "state 1");
    } else {
      probe.Drop(memo);
    }
    if (c.restore) {
      probe.Send("restore");
      EXPECT_EQ(probe.Read(), "state 0");
    }
    logind.Emit(c.sleeping);
    // Printed after the window has handled the same signal.
    EXPECT_EQ(probe.Read(), c.sleeping ? "event true" : "event false");
    EXPECT_EQ(probe.Close(), 0);
    EXPECT_TRUE(Sandbox().Launches().empty());
  }
}

TEST_F(ResumeTest, RefusesToArmWhenNobodyCanReportResumes) {
  Probe probe;
  std::string message;
  EXPECT_EQ(probe.Arm(MemoFile(), &message), "state 0");
  EXPECT_EQ(message,
            "サスペンドからの復帰を検知できないため、セットできません");
  EXPECT_EQ(probe.Close(), 0);
}

TEST_F(ResumeTest, ResumeArrivesAfterLogindRestarted) {
  const std::string memo = MemoFile();
  auto logind = std::make_unique<StandIn>();
  Probe probe;
  EXPECT_EQ(probe.Arm(memo), "state 1");
  logind.reset();
  logind = std::make_unique<StandIn>();
  logind->Emit(false);
  EXPECT_EQ(probe.Finish(), 0);
  const auto launches = Sandbox().Launches();
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(launches[0].arguments, std::vector<std::string>{memo});
}

}  // namespace
}  // namespace vorundel::testing
