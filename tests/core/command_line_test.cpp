#include "core/command_line.h"

#include <gtest/gtest.h>

#include "tests/fake_platform.h"

namespace vorundel {
namespace {

using testing::Utf8;

TEST(ProgramFromCommandLineTest, TakesTheProgramOutOfTheCommand) {
  const struct {
    std::u16string commandLine;
    std::u16string program;
  } cases[] = {
      {u"C:\\WINDOWS\\NOTEPAD.EXE %1", u"C:\\WINDOWS\\NOTEPAD.EXE"},
      {u"\"C:\\Program Files\\Viewer\\view.exe\" \"%1\"",
       u"C:\\Program Files\\Viewer\\view.exe"},
      {u"\"%1\" %*", u"%1"},
      {u"C:\\Tools\\run.exe /open %1", u"C:\\Tools\\run.exe"},
      // Without ".exe" the program ends at the first blank.
      {u"start.bat %1", u"start.bat"},
      {u"/usr/bin/gedit %U", u"/usr/bin/gedit"},
      {u"xdg-open\t%f", u"xdg-open"},
      // An unquoted path with blanks still runs through its ".exe".
      {u"C:\\Program Files\\App\\app.EXE -x %1",
       u"C:\\Program Files\\App\\app.EXE"},
      // Only the first ".exe" counts.
      {u"C:\\a.exe\\b.exe %1", u"C:\\a.exe"},
      // A quote that never closes: the rest, cut after ".exe".
      {u"\"C:\\Program Files\\x.exe %1", u"C:\\Program Files\\x.exe"},
      {u"\"start.bat %1", u"start.bat %1"},
      // A quoted program without ".exe" keeps its blanks.
      {u"\"/opt/My Viewer/view\" %f", u"/opt/My Viewer/view"},
      {u"\"\" %1", u""},
      {u"", u""},
      {u"notepad", u"notepad"},
      {u"  leading.exe", u"  leading.exe"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProgramFromCommandLine(c.commandLine), c.program)
        << Utf8(c.commandLine);
  }
}

TEST(IsFileItselfTest, RecognisesTheFilePlaceholders) {
  EXPECT_TRUE(IsFileItself(u"%1"));
  EXPECT_TRUE(IsFileItself(u"%L"));
  EXPECT_TRUE(IsFileItself(u"%l"));
  EXPECT_FALSE(IsFileItself(u"%1x"));
  EXPECT_FALSE(IsFileItself(u"%*"));
  EXPECT_FALSE(IsFileItself(u""));
}

}  // namespace
}  // namespace vorundel
