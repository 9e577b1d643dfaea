// xFindExecutables of any extension over a registry the fuzzer writes: any
// key may be missing or unreadable, any value any units.
#include "core/form1_logic.h"
#include "tests/fuzz/fuzz.h"

using namespace vorundel;
using namespace vorundel::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  FuzzedDataProvider input(data, size);
  FuzzPlatform p(input);  // one key open at a time, all closed
  const std::u16string ext = p.ReadText();
  const std::u16string program = Form1Logic(p).xFindExecutables(ext);
  const auto& keys = p.keys;
  // The value the desktop gave for the i-th key opened, up to its first NUL;
  // a key never opened, missing or unreadable throws, which ends the run.
  const auto read = [&](std::size_t i) {
    const Text& value = p.registry.at(keys.at(i)).value();
    return value.substr(0, value.find(u'\0'));
  };
  // First the extension's key, lower case with one leading dot ...
  MUST(!keys.empty() && keys.size() <= 2);
  MUST(keys[0] == AsciiLower(ext.starts_with(u'.') ? ext : u"." + ext));
  // ... then the open command of the class its value names.
  MUST(keys.size() < 2 || keys[1] == read(0) + u"\\shell\\open\\command");
  // A program only from a command that was read, and a piece of it.
  MUST(program.empty() || read(1).find(program) != std::u16string::npos);
  return 0;
}
