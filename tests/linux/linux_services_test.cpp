// The Linux OS services against a sandboxed desktop: associations from
// its MIME database and mimeapps.list, file attributes, launches through
// the recorder, and whether logind can be heard on the private bus.
#include "platform/linux/linux_services.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "core/form1_logic.h"
#include "platform/linux/utf.h"
#include "tests/linux/desktop_sandbox.h"
#include "tests/linux/subprocess.h"

namespace vorundel::linux_desktop {
namespace {

namespace fs = std::filesystem;
using testing::Sandbox;

class NoPowerEvents : public PowerObserver {
 public:
  void OnSuspend() override { ADD_FAILURE() << "suspend"; }
  void OnResume() override { ADD_FAILURE() << "resume"; }
};

// The OS services alone; the window operations are not theirs to test.
class OsServices final : public LinuxServices {
 public:
  explicit OsServices(PowerObserver& observer) : LinuxServices(observer) {}
  int ShowMessage(const std::u16string&,
                  std::uint32_t,
                  const std::u16string&) override {
    ADD_FAILURE() << "message box";
    return 1;
  }
  int WindowState() override { return 0; }
  void MinimizeWindow() override {}
  std::u16string Label1Text() override { return {}; }
  void UnloadForm() override {}
};

class LinuxServicesTest : public ::testing::Test {
 protected:
  void SetUp() override { Sandbox().ForgetLaunches(); }

  NoPowerEvents observer_;
  OsServices services_{observer_};
};

std::string Touch(const std::string& name) {
  const std::string path = Sandbox().files() + "/" + name;
  std::ofstream(path) << "text\n";
  return path;
}

TEST_F(LinuxServicesTest, ClassesViewAnswersExtensionsAndOpenCommands) {
  const struct {
    std::u16string key;
    std::optional<std::u16string> value;  // nothing: key missing
  } cases[] = {
      {u".txt", u"text/plain"},
      {u".png", u"image/png"},
      {u".vorundel-unknown", std::nullopt},
      {u".", std::nullopt},
      {u".txt\\shell\\open\\command", std::nullopt},
      {u".a/b", std::nullopt},
      {u"text/plain\\shell\\open\\command", u"\"vorundel-test-recorder\""},
      // A known type that no application takes.
      {u"image/png\\shell\\open\\command", std::nullopt},
      {u"txtfile\\shell\\open\\command", std::nullopt},
      {u"\\shell\\open\\command", std::nullopt},
      {u"text/plain\\shell\\print\\command", std::nullopt},
      {u"text/plain", std::nullopt},
      {u"", std::nullopt},
      {std::u16string(u".txt\0x", 6), std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(*ToUtf8(c.key));
    const auto key = services_.OpenClassesKey(c.key);
    ASSERT_EQ(key != nullptr, c.value.has_value());
    if (key) {
      EXPECT_EQ(key->ReadDefaultValue(), c.value);
    }
  }
}

TEST_F(LinuxServicesTest, CoreFindsTheDefaultApplication) {
  Form1Logic logic(services_);
  EXPECT_EQ(logic.xFindExecutables(u"TXT"), u"vorundel-test-recorder");
  EXPECT_EQ(logic.xFindExecutables(u"PNG"), u"");
  EXPECT_EQ(logic.xFindExecutables(u"VORUNDEL-UNKNOWN"), u"");
  EXPECT_EQ(logic.xFindExecutables(u""), u"");
}

TEST_F(LinuxServicesTest, FileAttributesFollowLinksAndRefuseWhatCannotBeNamed) {
  const std::string files = Sandbox().files();
  const std::string file = Touch("plain.txt");
  const std::string wild = Touch("what*is?.txt");
  fs::create_directory(files + "/folder");
  fs::create_directory_symlink(files + "/folder", files + "/to-folder");
  fs::create_symlink(file, files + "/to-file");
  fs::create_symlink(files + "/gone", files + "/dangling");
  const std::u16string plain = ToUtf16(file);

  const struct {
    const char* what;
    std::u16string path;
    std::optional<std::uint32_t> attributes;
  } cases[] = {
      {"file", plain, 0x80},
      {"'*' and '?' are plain characters", ToUtf16(wild), 0x80},
      {"folder", ToUtf16(files + "/folder"), 0x10},
      {"link to folder", ToUtf16(files + "/to-folder"), 0x10},
      {"link to file", ToUtf16(files + "/to-file"), 0x80},
      {"dangling link", ToUtf16(files + "/dangling"), std::nullopt},
      {"missing", ToUtf16(files + "/missing.txt"), std::nullopt},
      {"empty", u"", std::nullopt},
      // The part before the NUL exists; the name as given does not.
      {"embedded NUL", plain + std::u16string(1, u'\0') + u"x", std::nullopt},
      {"unpaired surrogate", plain + u'\xD800', std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(services_.FileAttributes(c.path), c.attributes);
  }
}

TEST_F(LinuxServicesTest, CurrentDirectoryIsTheProcessDirectory) {
  const std::string directory = Sandbox().files() + "/作業 dir";
  fs::create_directory(directory);
  ASSERT_EQ(chdir(directory.c_str()), 0);
  EXPECT_EQ(services_.CurrentDirectory(), ToUtf16(directory));
}

// Each name reaches the application as one argument, exactly, and nothing
// in it runs: a shell would create "pwned" in the launch directory.
TEST_F(LinuxServicesTest, OpensEveryNameExactlyAsItself) {
  const std::string names[] = {
      "two words.txt",
      "it's \"quoted\".txt",
      "a $(touch pwned) b.txt",
      "`touch pwned`.txt",
      "x; touch pwned.txt",
      "x & touch pwned &.txt",
      "x | touch pwned.txt",
      "-n --help.txt",
      "line\nbreak.txt",
      "tab\there.txt",
      "100% %f %u %%.txt",
      "back\\slash.txt",
      "日本語のファイル.txt",
      "Ünïcödé ☃.txt",
      " leading and trailing .txt ",
  };
  const std::string launchDirectory = Sandbox().files() + "/launch here";
  fs::create_directory(launchDirectory);
  ASSERT_EQ(chdir(launchDirectory.c_str()), 0);
  const std::u16string directory = services_.CurrentDirectory();

  std::size_t launched = 0;
  for (const auto& name : names) {
    SCOPED_TRACE(name);
    const std::string path = Touch(name);
    EXPECT_GT(services_.ShellOpen(ToUtf16(path), directory), 32);
    const auto records = Sandbox().WaitForLaunches(++launched);
    ASSERT_EQ(records.size(), launched);
    bool found = false;
    for (const auto& record : records) {
      if (record.arguments == std::vector<std::string>{path}) {
        found = true;
        EXPECT_EQ(record.directory, launchDirectory);
      }
    }
    EXPECT_TRUE(found) << "not opened as itself";
  }
  EXPECT_FALSE(fs::exists(launchDirectory + "/pwned"));
  EXPECT_FALSE(fs::exists(Sandbox().files() + "/pwned"));
  EXPECT_EQ(Sandbox().Launches().size(), launched);  // nothing else ran
}

TEST_F(LinuxServicesTest, FailedOpensReportFailureAndStartNothing) {
  const std::string files = Sandbox().files();
  const std::string image = Touch("picture.png");
  fs::create_directory(files + "/folder");
  const std::u16string text = ToUtf16(Touch("fine.txt"));
  const struct {
    const char* what;
    std::u16string path;
  } cases[] = {
      {"missing file", ToUtf16(files + "/missing.txt")},
      {"type without application", ToUtf16(image)},
      {"empty", u""},
      {"embedded NUL", text + std::u16string(1, u'\0') + u".png"},
      {"unpaired surrogate", text + u'\xDC00'},
  };
  const std::u16string directory = services_.CurrentDirectory();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_LE(services_.ShellOpen(c.path, directory), 32);
  }
  // A launch after the failures: once it is recorded, anything the
  // failures had started would have had its time.
  EXPECT_GT(services_.ShellOpen(text, directory), 32);
  const auto records = Sandbox().WaitForLaunches(1);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].arguments, std::vector<std::string>{*ToUtf8(text)});
}

TEST_F(LinuxServicesTest, ResumeIsReceivableOnlyWhileLogindCanAnswer) {
  EXPECT_FALSE(services_.CanReceiveResume()) << "nobody owns the name";
  {
    testing::Subprocess standIn({{VORUNDEL_STANDIN_PATH}, {}, "", true, true});
    ASSERT_EQ(standIn.ReadLine(), "ready");
    EXPECT_TRUE(services_.CanReceiveResume()) << "owned";
    standIn.CloseStdin();
    EXPECT_EQ(standIn.Wait(), 0);
  }
  // The bus may take a moment to notice the owner left; it tells us when
  // it has, by answering that nobody owns the name. Each answer is one
  // round trip, so this is a bounded wait on the bus, not a sleep.
  bool released = false;
  for (int attempt = 0; attempt < 1000 && !released; ++attempt) {
    released = !services_.CanReceiveResume();
  }
  EXPECT_TRUE(released) << "owner gone";
  Sandbox().MakeLogindActivatable();
  EXPECT_TRUE(services_.CanReceiveResume()) << "activatable";
}

}  // namespace
}  // namespace vorundel::linux_desktop
