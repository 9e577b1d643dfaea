// The association lookup against a registry the fuzzer writes. Input: the
// extension (text field), then the registry (see ReadRegistry).
#include <cstddef>
#include <cstdint>

#include "core/form1_logic.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/fuzz_platform.h"
#include "tests/fuzz/reference.h"
#include "tests/fuzz/registry_input.h"

using namespace vorundel::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  FuzzInput input(data, size);
  const std::u16string ext = input.TextField();
  FuzzPlatform platform;
  platform.registry = ReadRegistry(input, ext);
  const ReferenceLookup expected = LookUp(platform.registry, ext);

  std::u16string program;
  {
    vorundel::Form1Logic logic(platform);
    program = logic.xFindExecutables(ext);
  }

  // Exactly the keys the lookup should ask for, each closed again; the
  // platform has already checked that no two were open at once.
  FUZZ_CHECK(platform.openedKeys == expected.keys);
  FUZZ_CHECK(platform.openKeys == 0);
  const int found = [&] {
    int n = 0;
    for (const auto& key : platform.openedKeys) {
      n += platform.registry.count(key) ? 1 : 0;
    }
    return n;
  }();
  FUZZ_CHECK(platform.closedKeys == found);
  FUZZ_CHECK(platform.reads == found);

  FUZZ_CHECK(program == expected.program);
  FUZZ_CHECK(program.size() <= expected.commandLine.size());
  FUZZ_CHECK(program.find(u'\0') == std::u16string::npos);
  FUZZ_CHECK(expected.commandRead || program.empty());
  return 0;
}
