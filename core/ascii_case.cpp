#include "core/ascii_case.h"

#include <algorithm>

namespace vorundel {
namespace {

char16_t ToUpper(char16_t c) {
  return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

char16_t ToLower(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool SameIgnoringCase(char16_t a, char16_t b) {
  return ToLower(a) == ToLower(b);
}

}  // namespace

std::u16string AsciiUpper(std::u16string_view text) {
  std::u16string result(text);
  std::transform(result.begin(), result.end(), result.begin(), ToUpper);
  return result;
}

std::u16string AsciiLower(std::u16string_view text) {
  std::u16string result(text);
  std::transform(result.begin(), result.end(), result.begin(), ToLower);
  return result;
}

std::u16string_view::size_type FindIgnoringAsciiCase(
    std::u16string_view haystack,
    std::u16string_view needle) {
  const auto found =
      std::search(haystack.begin(), haystack.end(), needle.begin(),
                  needle.end(), SameIgnoringCase);
  return found == haystack.end() && !needle.empty()
             ? std::u16string_view::npos
             : static_cast<std::u16string_view::size_type>(found -
                                                           haystack.begin());
}

bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), SameIgnoringCase);
}

}  // namespace vorundel
