// What the armed program does at resume when the world changed under it:
// the file or its association gone, a second resume while the failure
// message is up. Each ends the program normally, launching nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "core/texts.h"
#include "tests/linux/desktop_sandbox.h"
#include "tests/linux/probe_processes.h"

namespace vorundel::testing {
namespace {

namespace fs = std::filesystem;

class ResumeFaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Sandbox().ForgetLaunches();
    failed_ = "message " + Printed(kLaunchFailed);
  }

  std::string MemoFile() {
    const std::string path = Sandbox().files() + "/memo.txt";
    std::ofstream(path) << "memo\n";
    return path;
  }

  std::string failed_;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Puts a file back as it was when this was made.
class Restored {
 public:
  explicit Restored(std::string path)
      : path_(std::move(path)), text_(ReadFile(path_)) {}
  ~Restored() { WriteFile(path_, text_); }

 private:
  std::string path_;
  std::string text_;
};

std::string RecorderEntry() {
  return Sandbox().root() + "/data/applications/vorundel-test-recorder.desktop";
}

std::string MimeappsList() {
  return Sandbox().root() + "/config/mimeapps.list";
}

// The probe's next line that is not a change of applications.
std::optional<std::string> ReadPastAppChanges(Probe& probe) {
  auto line = probe.Read();
  while (line == "apps changed") {
    line = probe.Read();
  }
  return line;
}

TEST_F(ResumeFaultTest, FileGoneAfterArmingShowsFailureAndLaunchesNothing) {
  // Folders open with the recorder too: opening the folder that took the
  // file's place would show as a launch.
  const RecorderAssociation folders("inode/directory");
  const struct {
    const char* what;
    std::function<void(const std::string&)> change;
  } cases[] = {
      {"deleted", [](const std::string& path) { fs::remove(path); }},
      {"renamed",
       [](const std::string& path) { fs::rename(path, path + ".old"); }},
      {"replaced by a folder",
       [](const std::string& path) {
         fs::remove(path);
         fs::create_directory(path);
       }},
  };
  StandIn logind;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string memo = MemoFile();
    Probe probe;
    EXPECT_EQ(probe.Arm(memo), "state 1");
    c.change(memo);
    logind.Emit(false);
    EXPECT_EQ(probe.Read(), failed_);
    EXPECT_EQ(probe.Finish(), 0);
    EXPECT_TRUE(Sandbox().Launches().empty());
    fs::remove_all(memo);
  }
}

TEST_F(ResumeFaultTest, AssociationRemovedAfterArmingShowsFailure) {
  const struct {
    const char* what;
    std::function<void()> change;
  } cases[] = {
      {"removed in mimeapps.list",
       [] {
         WriteFile(MimeappsList(),
                   "[Removed Associations]\n"
                   "text/plain=vorundel-test-recorder.desktop\n");
       }},
      {"application's entry deleted", [] { fs::remove(RecorderEntry()); }},
  };
  const std::string memo = MemoFile();
  StandIn logind;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Restored mimeapps(MimeappsList());
    const Restored entry(RecorderEntry());
    Probe probe;
    EXPECT_EQ(probe.Arm(memo), "state 1");
    probe.Send("watch-apps");
    EXPECT_EQ(probe.Read(), "watching");
    c.change();
    // The desktop's own notice of the change: from then on the program's
    // next lookup sees it.
    EXPECT_EQ(probe.Read(), "apps changed");
    logind.Emit(false);
    EXPECT_EQ(ReadPastAppChanges(probe), failed_);
    EXPECT_EQ(probe.Finish(), 0);
    EXPECT_TRUE(Sandbox().Launches().empty());
  }
}

TEST_F(ResumeFaultTest, ResumeDuringTheFailureMessageLaunchesNothingMore) {
  const std::string memo = MemoFile();
  StandIn logind;
  Probe probe;
  EXPECT_EQ(probe.Arm(memo), "state 1");
  fs::remove(memo);
  probe.Send("hold");
  logind.Emit(false);
  EXPECT_EQ(probe.Read(), failed_);
  EXPECT_EQ(probe.Read(), "event false");
  // With the file back, a second launch would succeed and show.
  MemoFile();
  logind.Emit(false);
  // Printed after the window has handled the second resume.
  EXPECT_EQ(probe.Read(), "event false");
  probe.Send("ok");
  EXPECT_EQ(probe.Finish(), 0);
  EXPECT_EQ(probe.Read(), std::nullopt) << "one failure message";
  EXPECT_TRUE(Sandbox().Launches().empty());
}

}  // namespace
}  // namespace vorundel::testing
