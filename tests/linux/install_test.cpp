// Installing and packaging: `cmake --install` puts the program, its
// desktop entry, AppStream data and icons in place, and they validate; the
// Debian package carries them with the right relations and is lintian
// clean; Qt's translations give the message boxes' buttons.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTranslator>
#include <filesystem>
#include <sstream>
#include <string>

#include "tests/linux/subprocess.h"
#include "ui/qt/message_box.h"
#include "ui/qt/qt_translations.h"

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

TEST(InstallTest, InstallsProgramEntryAndIconsAndTheyValidate) {
  TempDir prefix;
  const auto install = RunToEnd({"cmake", "--install", VORUNDEL_BUILD_DIR,
                                 "--prefix", prefix.path().string()});
  ASSERT_EQ(install.status, 0) << install.output;
  const fs::path entry =
      prefix.path() / "share/applications/io.github.vorundel.vorundel.desktop";
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
  // Warnings fail too. The tree check also matches the metainfo's id and
  // launchable to the installed desktop entry.
  const fs::path metainfo =
      prefix.path() / "share/metainfo/io.github.vorundel.vorundel.metainfo.xml";
  for (const std::vector<std::string>& command :
       {std::vector<std::string>{"appstreamcli", "validate", "--no-net",
                                 metainfo.string()},
        std::vector<std::string>{"appstreamcli", "validate-tree", "--no-net",
                                 prefix.path().string()}}) {
    const auto appstream = RunToEnd(command);
    EXPECT_EQ(appstream.status, 0) << command[1] << ": " << appstream.output;
  }
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
  EXPECT_EQ(field("Recommends"),
            "fonts-ipafont-gothic, qt6-translations-l10n\n");
  EXPECT_EQ(field("Package"), "vorundel\n");
  const std::string contents =
      RunToEnd({"dpkg-deb", "--contents", deb.string()}).output;
  for (const char* file :
       {"./usr/bin/vorundel",
        "./usr/share/applications/io.github.vorundel.vorundel.desktop",
        "./usr/share/metainfo/io.github.vorundel.vorundel.metainfo.xml",
        "./usr/share/icons/hicolor/48x48/apps/vorundel.png"}) {
    EXPECT_NE(contents.find(file), std::string::npos) << file;
  }
  // Copyright, changelog, manual page, stripped binary, description: what
  // lintian misses it reports as an error or a warning.
  const auto lintian =
      RunToEnd({"lintian", "--fail-on", "error,warning", deb.string()}, {},
               std::chrono::minutes(2));
  EXPECT_EQ(lintian.status, 0) << lintian.output;
  std::istringstream lines(lintian.output);
  for (std::string line; std::getline(lines, line);) {
    EXPECT_FALSE(line.starts_with("E: ") || line.starts_with("W: ")) << line;
  }
}

// Qt's own texts follow the user's language, from the translations the
// package recommends: "キャンセル" under Japanese, as Windows gives it.
TEST(InstallTest, ConfirmationButtonsAreInTheUsersLanguage) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  int argc = 1;
  char name[] = "vorundel_install_tests";
  char* argv[] = {name, nullptr};
  QApplication application(argc, argv);
  const struct {
    const char* locale;
    const char* ok;
    const char* cancel;
  } rows[] = {
      {"ja_JP", "OK", "キャンセル"},
      {"en_US", "OK", "Cancel"},
  };
  for (const auto& row : rows) {
    QTranslator translator;
    ui::InstallQtTranslations(translator, QLocale(row.locale));
    QMessageBox box;
    ui::ConfigureMessageBox(box, QStringLiteral("text"), 0x41,
                            QStringLiteral("Vorundel"));
    EXPECT_EQ(box.button(QMessageBox::Ok)->text().toStdString(), row.ok)
        << row.locale;
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text().toStdString(), row.cancel)
        << row.locale;
  }
}

}  // namespace
}  // namespace vorundel::testing
