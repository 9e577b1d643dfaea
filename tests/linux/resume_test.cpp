// The whole program's resume path over a real bus: the window in its own
// process (form1_probe), logind's stand-in on the private system bus, the
// launch recorder as the file's application.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "core/texts.h"
#include "tests/linux/desktop_sandbox.h"
#include "tests/linux/probe_processes.h"

namespace vorundel::testing {
namespace {

namespace fs = std::filesystem;

class ResumeTest : public ::testing::Test {
 protected:
  void SetUp() override { Sandbox().ForgetLaunches(); }
};

std::string MemoFile() {
  const std::string path = Sandbox().files() + "/memo.txt";
  std::ofstream(path) << "memo\n";
  return path;
}

// Whatever wraps the program in the desktop entry (env, flatpak), the
// prompt names the program that opens the file, and it opens once.
TEST_F(ResumeTest, ArmedWindowNamesTheProgramOpensTheFileOnceAtResumeAndEnds) {
  const std::string root = Sandbox().root();
  const std::string recorder = root + "/bin/vorundel-test-recorder";
  const std::string snap = root + "/snap/bin/vorundel-test-recorder";
  const std::string records = std::getenv("VORUNDEL_RECORD_DIR");
  const std::string spaced = root + "/bin dir/vorundel-test-recorder";
  std::string longer = root + "/programs";
  for (const char c : {'d', 'e', 'f'}) {
    longer += "/" + std::string(200, c);
  }
  longer += "/vorundel-test-recorder";
  const std::string flatpak = Sandbox().flatpak() + "/exports/";
  const std::string launcher = flatpak + "bin/org.example.Viewer";
  // Links, as a snap's /snap/bin/<name> links to snap itself.
  for (const auto& link : {snap, spaced, longer, launcher}) {
    fs::create_directories(fs::path(link).parent_path());
    fs::create_symlink(recorder, link);
  }
  const std::string run = recorder +
                          " run --branch=stable --arch=x86_64 --command=view "
                          "--file-forwarding ";
  const struct {
    const char* what;
    std::string exec;
    std::string keys;
    std::string applications;
    std::string program;
  } cases[] = {
      {"plain", "vorundel-test-recorder %f", "", "", "vorundel-test-recorder"},
      {"over 512 bytes", longer + " %f", "", "", longer},
      {"env", "env FOO=bar " + recorder + " %f", "", "", recorder},
      // -i drops the recorder's folder, so the row gives it back.
      {"env with options",
       "env -iu HOME --unset=LANG --chdir / -S \"-- VORUNDEL_RECORD_DIR=" +
           records + " '" + spaced + "'\" %f",
       "", "", spaced},
      {"snap", "env BAMF_DESKTOP_FILE_HINT=/x.desktop " + snap + " %u", "", "",
       snap},
      {"flatpak", run + "org.example.Viewer @@ %F @@",
       "X-Flatpak=org.example.Viewer\n", flatpak + "share/applications",
       launcher},
      {"flatpak without launcher", run + "org.example.Other @@ %F @@",
       "X-Flatpak=org.example.Other\n", flatpak + "share/applications",
       "org.example.Other"},
      {"TryExec", "vorundel-test-recorder %f", "TryExec=" + recorder + "\n", "",
       recorder},
  };
  const std::string memo = MemoFile();
  const std::string lineBreak = Utf8(kLineBreak);
  StandIn logind;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const RecorderAssociation entry("text/plain", c.exec, c.keys,
                                    c.applications);
    Probe probe;
    std::string prompt;
    EXPECT_EQ(probe.Arm(memo, &prompt), "state 1");
    EXPECT_EQ(prompt,
              Printed(Utf8(kPromptHead) + lineBreak + lineBreak + c.program +
                      lineBreak + lineBreak + Utf8(kPromptTailAssociated)));
    logind.Emit(false);
    logind.Emit(false);  // a second resume must not open it again
    EXPECT_EQ(probe.Finish(), 0);
    const auto launches = Sandbox().Launches();
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(std::count(launches[0].arguments.begin(),
                         launches[0].arguments.end(), memo),
              1);
    Sandbox().ForgetLaunches();
  }
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
