// Extension over any name (the input, as UTF-16 units).
#include "core/extension.h"
#include "tests/fuzz/fuzz.h"

using namespace vorundel::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::u16string name =
      Units({reinterpret_cast<const char*>(data), size});
  const std::u16string ext = vorundel::Extension(name);
  // Upper-case text after a dot, with no dot or separator of its own.
  const std::u16string upper = AsciiUpperCase(name);
  MUST(AsciiUpperCase(ext) == ext);
  MUST(ext.find_first_of(u".\\/") == std::u16string::npos);
  MUST(upper.ends_with(ext));
  MUST(ext.empty() || name[name.size() - ext.size() - 1] == u'.');
  // Empty only when the last component has no dot with text after it.
  const auto last = name.find_last_of(u".\\/");
  MUST(!ext.empty() || last == std::u16string::npos || name[last] != u'.' ||
       last + 1 == name.size());
  return 0;
}
