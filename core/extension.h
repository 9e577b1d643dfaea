#pragma once

#include <string>
#include <string_view>

namespace vorundel {

// The extension of the last path component, upper case, without the dot;
// empty when there is none. Only ASCII letters change case, so a name's
// other letters reach the association lookup exactly as they were.
std::u16string Extension(std::u16string_view strFileName);

}  // namespace vorundel
