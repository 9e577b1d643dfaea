#include "core/extension.h"

#include "core/ascii_case.h"

namespace vorundel {

std::u16string Extension(std::u16string_view strFileName) {
  for (auto position = strFileName.size(); position > 0; --position) {
    const char16_t c = strFileName[position - 1];
    if (c == u'.') {
      return AsciiUpper(strFileName.substr(position));
    }
    if (c == u'\\' || c == u'/') {
      return {};
    }
  }
  return {};
}

}  // namespace vorundel
