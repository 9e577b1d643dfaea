// Extension over any name: the input is the name (see DecodeText).
#include <cstddef>
#include <cstdint>

#include "core/extension.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/reference.h"

using vorundel::Extension;
using namespace vorundel::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::u16string name =
      DecodeText({reinterpret_cast<const char*>(data), size});
  const std::u16string ext = Extension(name);

  FUZZ_CHECK(ext == ReferenceExtension(name));

  const std::u16string upper = ReferenceUpper(name);
  FUZZ_CHECK(ext.size() <= upper.size());
  FUZZ_CHECK(upper.compare(upper.size() - ext.size(), ext.size(), ext) == 0);
  FUZZ_CHECK(ext.find_first_of(u".\\/") == std::u16string::npos);
  FUZZ_CHECK(ReferenceUpper(ext) == ext);

  // Empty exactly when the last component has no dot with text after it.
  const auto separator = name.find_last_of(u"\\/");
  const auto lastDot = name.rfind(u'.');
  const bool dotInLastComponent =
      lastDot != std::u16string::npos &&
      (separator == std::u16string::npos || lastDot > separator);
  FUZZ_CHECK(ext.empty() ==
             (!dotInLastComponent || lastDot + 1 == name.size()));

  // Only the last component counts, and case never does.
  FUZZ_CHECK(Extension(u"C:\\x.y\\" + name) == ext);
  FUZZ_CHECK(Extension(u"/x.y/" + name) == ext);
  FUZZ_CHECK(Extension(ReferenceLower(name)) == ext);
  return 0;
}
