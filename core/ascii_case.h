#pragma once

#include <string>
#include <string_view>

namespace vorundel {

std::u16string AsciiUpper(std::u16string_view text);
std::u16string AsciiLower(std::u16string_view text);

// Position of the first `needle` in `haystack`, ignoring ASCII case.
std::u16string_view::size_type FindIgnoringAsciiCase(
    std::u16string_view haystack,
    std::u16string_view needle);

bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b);

}  // namespace vorundel
