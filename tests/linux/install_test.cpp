// Installing and packaging: `cmake --install` puts the program, its
// desktop entry and icons in place, the entry validates, and the Debian
// package carries them with the right relations.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "tests/linux/subprocess.h"

namespace vorundel::testing {
namespace {

namespace fs = std::filesystem;

class TempDir {
 public:
  TempDir() {
    std::string pattern = fs::temp_directory_path() / "vorundel-install-XXXXXX";
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

TEST(InstallTest, InstallsProgramEntryAndIconsAndTheEntryValidates) {
  TempDir prefix;
  const auto install = RunToEnd({"cmake", "--install", VORUNDEL_BUILD_DIR,
                                 "--prefix", prefix.path().string()});
  ASSERT_EQ(install.status, 0) << install.output;
  const fs::path entry = prefix.path() / "share/applications/vorundel.desktop";
  EXPECT_TRUE(fs::exists(prefix.path() / "bin/vorundel"));
  EXPECT_TRUE(fs::exists(entry));
  for (const int size : kIconSizes) {
    const std::string name = std::to_string(size) + "x" + std::to_string(size);
    EXPECT_TRUE(fs::exists(prefix.path() / "share/icons/hicolor" / name /
                           "apps/vorundel.png"))
        << name;
  }
  const auto validate = RunToEnd({"desktop-file-validate", entry.string()});
  EXPECT_EQ(validate.status, 0) << validate.output;
  EXPECT_EQ(validate.output, "");
}

TEST(InstallTest, DebianPackageDependsOnWhatTheProgramNeeds) {
  TempDir out;
  const auto pack =
      RunToEnd({"cpack", "-G", "DEB", "-B", out.path().string(), "--config",
                VORUNDEL_BUILD_DIR "/CPackConfig.cmake"},
               {}, std::chrono::minutes(2));
  ASSERT_EQ(pack.status, 0) << pack.output;
  fs::path deb;
  for (const auto& entry : fs::directory_iterator(out.path())) {
    if (entry.path().extension() == ".deb") {
      deb = entry.path();
    }
  }
  ASSERT_FALSE(deb.empty()) << pack.output;
  const auto field = [&deb](const char* name) {
    return RunToEnd({"dpkg-deb", "--field", deb.string(), name}).output;
  };
  const std::string depends = field("Depends");
  for (const char* needed :
       {"libqt6widgets6", "libqt6gui6", "libqt6core6", "libglib2.0-0",
        "libfontconfig1", "qt6-qpa-plugins", "shared-mime-info"}) {
    EXPECT_NE(depends.find(needed), std::string::npos)
        << needed << " missing from " << depends;
  }
  EXPECT_EQ(field("Recommends"), "fonts-ipafont-gothic\n");
  EXPECT_EQ(field("Package"), "vorundel\n");
  const std::string contents =
      RunToEnd({"dpkg-deb", "--contents", deb.string()}).output;
  for (const char* file :
       {"./usr/bin/vorundel", "./usr/share/applications/vorundel.desktop",
        "./usr/share/icons/hicolor/48x48/apps/vorundel.png"}) {
    EXPECT_NE(contents.find(file), std::string::npos) << file;
  }
}

}  // namespace
}  // namespace vorundel::testing
