// The whole program's resume path over a real bus: the window in its own
// process (form1_probe), logind's stand-in on the private system bus, the
// launch recorder as the file's application.
#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>
#include <memory>

#include "tests/linux/desktop_sandbox.h"
#include "tests/linux/subprocess.h"

namespace vorundel::testing {
namespace {

class StandIn {
 public:
  StandIn() : process_({{VORUNDEL_STANDIN_PATH}, {}, "", true, true}) {
    EXPECT_EQ(process_.ReadLine(), "ready");
  }
  ~StandIn() { Stop(); }

  void Emit(bool sleeping) {
    process_.Write(sleeping ? "true\n" : "false\n");
    EXPECT_EQ(process_.ReadLine(), "sent");
  }
  void Stop() {
    process_.CloseStdin();
    EXPECT_EQ(process_.Wait(), 0);
  }

 private:
  Subprocess process_;
};

class Probe {
 public:
  Probe()
      : process_({{VORUNDEL_PROBE_PATH},
                  {"QT_QPA_PLATFORM=offscreen"},
                  "",
                  true,
                  true}) {
    EXPECT_EQ(process_.ReadLine(), "ready");
  }

  void Send(const std::string& line) { process_.Write(line + "\n"); }
  std::optional<std::string> Read() { return process_.ReadLine(); }
  // Drops `path` on Label1 and presses Set; the state after it.
  std::optional<std::string> Arm(const std::string& path,
                                 std::string* message = nullptr) {
    Send("drop " + path);
    Send("set");
    auto line = Read();
    if (line && line->rfind("message ", 0) == 0) {
      if (message) {
        *message = line->substr(8);
      }
      line = Read();
    }
    return line;
  }
  // Ends the probe as closing its window would; its exit status once it
  // and everything it started are gone.
  std::optional<int> Close() {
    process_.CloseStdin();
    return Finish();
  }
  std::optional<int> Finish() {
    // The launched application inherits the output pipe, so end of output
    // means the launch, if any, is complete.
    EXPECT_TRUE(process_.WaitForEndOfOutput());
    return process_.Wait();
  }

 private:
  Subprocess process_;
};

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
      probe.Send("drop " + memo);
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
