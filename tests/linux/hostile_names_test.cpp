// Names that a shell, a markup parser or a command template would take
// apart, through the whole program: dropped on the window, armed, opened
// at resume by the desktop's default application.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "core/texts.h"
#include "tests/hostile_names.h"
#include "tests/linux/desktop_sandbox.h"
#include "tests/linux/probe_processes.h"

namespace vorundel::testing {
namespace {

namespace fs = std::filesystem;

struct Row {
  std::string what;
  std::string stem;  // UTF-8
};

std::vector<Row> Rows() {
  std::vector<Row> rows;
  for (const auto& name : kHostileNames) {
    if (name.onLinux) {
      rows.push_back({name.what, Utf8(name.stem)});
    }
  }
  // The longest name Linux file systems take: 255 bytes with the
  // extension, four- and three-byte characters mixed.
  std::u16string longest;
  for (int i = 0; i < 62; ++i) {
    longest += u"\U0001F600";
  }
  longest += u"あ";
  rows.push_back({"255 bytes", Utf8(longest)});
  return rows;
}

// A name with "/" becomes folders on the way, as Linux allows no other way.
std::string MakeFile(const std::string& name) {
  const fs::path path = fs::path(Sandbox().files()) / name;
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << "hostile\n";
  return path.string();
}

bool AppearsUnder(const fs::path& directory, const std::string& name) {
  std::error_code error;
  for (fs::recursive_directory_iterator it(directory, error), end;
       !error && it != end; it.increment(error)) {
    if (it->path().filename() == name) {
      return true;
    }
  }
  return false;
}

TEST(HostileNamesTest, EachNameShowsArmsAndOpensAsItselfAndNothingElseRuns) {
  Sandbox().ForgetLaunches();
  // An executable's confirmation names the file itself.
  const RecorderAssociation executables("application/x-ms-dos-executable");
  // Where the program runs, and so where a shell it started would work.
  const std::string workDirectory = Sandbox().root() + "/work";
  fs::create_directories(workDirectory);
  const std::string lineBreak = Utf8(kLineBreak);
  const std::string associatedPrompt = Printed(
      Utf8(kPromptHead) + lineBreak + lineBreak + "vorundel-test-recorder" +
      lineBreak + lineBreak + Utf8(kPromptTailAssociated));

  StandIn logind;
  for (const auto& row : Rows()) {
    SCOPED_TRACE(row.what);
    const std::string executable = MakeFile(row.stem + ".exe");
    const std::string text = MakeFile(row.stem + ".txt");
    ASSERT_TRUE(fs::is_regular_file(text)) << "cannot make the file";

    Probe probe(workDirectory);
    // The name shows as it is, in Label1 and in the confirmation.
    probe.Drop(executable);
    EXPECT_EQ(probe.PlainLabel(), executable);
    std::string prompt;
    EXPECT_EQ(probe.Set(&prompt), "state 1");
    EXPECT_EQ(prompt,
              Printed(Utf8(kPromptHead) + lineBreak + lineBreak + executable +
                      lineBreak + lineBreak + Utf8(kPromptTailExecutable)));
    probe.Send("restore");
    EXPECT_EQ(probe.Read(), "state 0");

    // The file that is opened at resume.
    probe.Drop(text);
    EXPECT_EQ(probe.PlainLabel(), text);
    EXPECT_EQ(probe.Set(&prompt), "state 1");
    EXPECT_EQ(prompt, associatedPrompt);
    logind.Emit(false);
    EXPECT_EQ(probe.Finish(), 0);

    const auto launches = Sandbox().Launches();
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].arguments, std::vector<std::string>{text});
    EXPECT_EQ(launches[0].directory, workDirectory);
    Sandbox().ForgetLaunches();
  }
  EXPECT_FALSE(AppearsUnder(Sandbox().root(), "pwned"));
  EXPECT_FALSE(AppearsUnder(fs::current_path(), "pwned"));
}

}  // namespace
}  // namespace vorundel::testing
