#include <gtest/gtest.h>

#include "core/form1_logic.h"
#include "tests/fake_platform.h"

namespace vorundel {
namespace {

using testing::FakePlatform;

constexpr char16_t kNotepad[] = u"C:\\WINDOWS\\NOTEPAD.EXE %1";

TEST(FindExecutablesTest, ReadsClassThenCommandClosingEachKeyFirst) {
  FakePlatform fake;
  fake.registry[u".txt"] = u"txtfile";
  fake.registry[u"txtfile\\shell\\open\\command"] = kNotepad;
  Form1Logic logic(fake);

  EXPECT_EQ(logic.xFindExecutables(u"TXT"), u"C:\\WINDOWS\\NOTEPAD.EXE");
  EXPECT_EQ(fake.calls, (std::vector<std::string>{
                            "open .txt",
                            "read .txt",
                            "close .txt",
                            "open txtfile\\shell\\open\\command",
                            "read txtfile\\shell\\open\\command",
                            "close txtfile\\shell\\open\\command",
                        }));
}

TEST(FindExecutablesTest, ExtensionKeyIsLowerCaseWithOneDot) {
  const struct {
    std::u16string ext;
    std::string key;
  } cases[] = {
      {u"txt", "open .txt"},  {u"TXT", "open .txt"},
      {u".txt", "open .txt"}, {u".TxT", "open .txt"},
      {u"", "open ."},        {u"TAR.GZ", "open .tar.gz"},
      {u"..x", "open ..x"},   {u"ÄBC", "open .Äbc"},
  };
  for (const auto& c : cases) {
    FakePlatform fake;
    Form1Logic logic(fake);
    EXPECT_EQ(logic.xFindExecutables(c.ext), u"");
    EXPECT_EQ(fake.calls, std::vector<std::string>{c.key});
  }
}

TEST(FindExecutablesTest, AnyFailureGivesEmptyAndClosesEveryKey) {
  using Registry = std::map<std::u16string, std::optional<std::u16string>>;
  const struct {
    const char* what;
    Registry registry;
    std::vector<std::string> calls;
  } cases[] = {
      {"no extension key", {}, {"open .txt"}},
      {"extension value unreadable",
       {{u".txt", std::nullopt}},
       {"open .txt", "read .txt", "close .txt"}},
      {"no class key",
       {{u".txt", u"txtfile"}},
       {"open .txt", "read .txt", "close .txt",
        "open txtfile\\shell\\open\\command"}},
      {"command value unreadable",
       {{u".txt", u"txtfile"},
        {u"txtfile\\shell\\open\\command", std::nullopt}},
       {"open .txt", "read .txt", "close .txt",
        "open txtfile\\shell\\open\\command",
        "read txtfile\\shell\\open\\command",
        "close txtfile\\shell\\open\\command"}},
      {"empty command",
       {{u".txt", u"txtfile"}, {u"txtfile\\shell\\open\\command", u""}},
       {"open .txt", "read .txt", "close .txt",
        "open txtfile\\shell\\open\\command",
        "read txtfile\\shell\\open\\command",
        "close txtfile\\shell\\open\\command"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakePlatform fake;
    fake.registry = c.registry;
    Form1Logic logic(fake);
    EXPECT_EQ(logic.xFindExecutables(u"TXT"), u"");
    EXPECT_EQ(fake.calls, c.calls);
    EXPECT_EQ(fake.openKeys, 0);
  }
}

TEST(FindExecutablesTest, ValuesEndAtTheirFirstNulWhateverTheirLength) {
  const std::u16string longProgram =
      u"C:\\" + std::u16string(600, u'x') + u".exe";
  const struct {
    const char* what;
    std::u16string className;
    std::u16string command;
    std::u16string program;
  } cases[] = {
      {"embedded NULs", std::u16string(u"txtfile\0junk", 12),
       std::u16string(u"C:\\v.exe %1\0C:\\w.exe", 20), u"C:\\v.exe"},
      {"value far over 512 bytes", u"txtfile", longProgram + u" %1",
       longProgram},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakePlatform fake;
    fake.registry[u".txt"] = c.className;
    fake.registry[u"txtfile\\shell\\open\\command"] = c.command;
    Form1Logic logic(fake);
    EXPECT_EQ(logic.xFindExecutables(u"TXT"), c.program);
  }
}

}  // namespace
}  // namespace vorundel
