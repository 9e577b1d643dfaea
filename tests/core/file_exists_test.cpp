#include <gtest/gtest.h>

#include "core/form1_logic.h"
#include "tests/fake_platform.h"

namespace vorundel {
namespace {

using testing::FakePlatform;
using testing::Utf8;

TEST(FileExistsTest, DecidesFromTheAttributeSet) {
  const struct {
    const char* what;
    std::u16string path;
    std::optional<std::uint32_t> attributes;  // nothing: cannot be examined
    bool wildcards;
    bool exists;
    bool asksFileSystem;
  } cases[] = {
      {"plain file", u"C:\\a.txt", 0x20, true, true, true},
      {"read-only hidden system", u"C:\\a.txt", 0x07, true, true, true},
      {"folder", u"C:\\dir", 0x10, true, false, true},
      {"folder with other bits", u"C:\\dir", 0x16, true, false, true},
      {"missing", u"C:\\gone.txt", std::nullopt, true, false, true},
      {"cloud placeholder bits", u"C:\\c.txt", 0x00400020, true, true, true},
      {"top bit set", u"C:\\c.txt", 0x80000000, true, true, true},
      {"empty", u"", 0x20, true, false, false},
      {"star on Windows", u"C:\\*.txt", 0x20, true, false, false},
      {"question mark on Windows", u"C:\\a?.txt", 0x20, true, false, false},
      {"long-path prefix", u"\\\\?\\C:\\a.txt", 0x20, true, true, true},
      {"wildcard after the long-path prefix", u"\\\\?\\C:\\a?.txt", 0x20, true,
       false, false},
      {"prefix not at the start", u"C:\\\\?\\a.txt", 0x20, true, false, false},
      {"star on Linux", u"/tmp/*.txt", 0x20, false, true, true},
      {"question mark on Linux", u"/tmp/a?.txt", 0x20, false, true, true},
      {"empty on Linux", u"", 0x20, false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakePlatform fake;
    fake.wildcards = c.wildcards;
    if (c.attributes) {
      fake.attributes[c.path] = *c.attributes;
    }
    Form1Logic logic(fake);
    EXPECT_EQ(logic.FileExists(c.path), c.exists);
    const std::vector<std::string> asked{"attributes " + Utf8(c.path)};
    EXPECT_EQ(fake.calls,
              c.asksFileSystem ? asked : std::vector<std::string>{});
  }
}

}  // namespace
}  // namespace vorundel
