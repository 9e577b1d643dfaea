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
  const std::u16string ext = p.Text();
  const std::u16string program = Form1Logic(p).xFindExecutables(ext);
  const auto& keys = p.keys;
  // What the desktop answered for a key, up to the first NUL.
  const auto read =
      [&](const std::u16string& k) -> std::optional<std::u16string> {
    const auto found = p.registry.find(k);
    if (found == p.registry.end() || !found->second) {
      return std::nullopt;
    }
    return found->second->substr(0, found->second->find(u'\0'));
  };
  // First the extension's key, lower case with one leading dot ...
  MUST(!keys.empty() && keys.size() <= 2 && keys[0].starts_with(u'.'));
  MUST(AsciiUpper(keys[0]) ==
       AsciiUpper(ext.starts_with(u'.') ? ext : u"." + ext));
  MUST(keys[0].find_first_of(u"ABCDEFGHIJKLMNOPQRSTUVWXYZ") ==
       std::u16string::npos);
  // ... then the open command of the class its value names.
  MUST(
      keys.size() < 2 ||
      (read(keys[0]) && keys[1] == *read(keys[0]) + u"\\shell\\open\\command"));
  // A program only from a command that was read, and a piece of it.
  MUST(program.empty() ||
       (keys.size() == 2 && read(keys[1]) &&
        read(keys[1])->find(program) != std::u16string::npos));
  return 0;
}
