// xFindExecutables of any extension over a registry the fuzzer writes: any
// key may be missing or unreadable, any value any units.
#include "core/form1_logic.h"
#include "tests/fuzz/fuzz.h"

using namespace vorundel::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  FuzzedDataProvider input(data, size);
  FuzzPlatform platform(input);  // one key open at a time, all closed
  const std::u16string ext = platform.Text();
  const std::u16string program =
      vorundel::Form1Logic(platform).xFindExecutables(ext);
  const auto& keys = platform.keys;
  const auto& values = platform.values;
  // First the extension's key, lower case with one leading dot ...
  FUZZ_CHECK(!keys.empty() && keys.size() <= 2 && keys[0].starts_with(u'.'));
  FUZZ_CHECK(AsciiUpperCase(keys[0]) ==
             AsciiUpperCase(ext.starts_with(u'.') ? ext : u"." + ext));
  FUZZ_CHECK(keys[0].find_first_of(u"ABCDEFGHIJKLMNOPQRSTUVWXYZ") ==
             std::u16string::npos);
  // ... then the open command of the class its value names up to a NUL.
  FUZZ_CHECK(keys.size() < 2 ||
             (!values.empty() &&
              keys[1] == UpToNul(values[0]) + u"\\shell\\open\\command"));
  // A program only from a command that was read, and a piece of it.
  FUZZ_CHECK(program.empty() ||
             (values.size() == 2 &&
              UpToNul(values[1]).find(program) != std::u16string::npos));
  return 0;
}
