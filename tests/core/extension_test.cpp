#include "core/extension.h"

#include <gtest/gtest.h>

#include "tests/fake_platform.h"

namespace vorundel {
namespace {

using testing::Utf8;

TEST(ExtensionTest, ExtensionOfTheLastPathComponent) {
  const struct {
    std::u16string name;
    std::u16string extension;
  } cases[] = {
      {u"C:\\docs\\report.txt", u"TXT"},
      {u"C:\\docs\\archive.tar.gz", u"GZ"},
      {u"C:\\my.dir\\readme", u""},
      {u"C:\\docs\\file.", u""},
      {u"C:\\docs\\.profile", u"PROFILE"},
      {u"D:/data/setup.Exe", u"EXE"},
      {u"", u""},
      {u"a.b.c.d", u"D"},
      {u"C:\\docs\\", u""},
      {u"/home/u/dir.d/", u""},
      {u"/home/u/x.tar.GZ", u"GZ"},
      {u".", u""},
      {u"noext", u""},
      {u"写真.jpeg", u"JPEG"},
      // Letters outside ASCII keep their case.
      {u"/tmp/データ.ｔｘｔ", u"ｔｘｔ"},
      {u"/tmp/x.Äbc", u"ÄBC"},
      {u"/tmp/snow.☃", u"☃"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Extension(c.name), c.extension) << Utf8(c.name);
  }
}

TEST(ExtensionTest, NamesBeyondSixteenBitPositions) {
  std::u16string name(40000, u'a');
  EXPECT_EQ(Extension(name), u"");
  name.replace(10, 1, u".");
  EXPECT_EQ(Extension(name), std::u16string(39989, u'A'));
  EXPECT_EQ(Extension(name + u".txt"), u"TXT");
}

}  // namespace
}  // namespace vorundel
