// The core speaks UTF-16; GIO and the file system speak UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vorundel::linux_desktop {

// Nothing when `text` holds an unpaired surrogate.
std::optional<std::string> ToUtf8(std::u16string_view text);

// Invalid UTF-8 sequences become U+FFFD.
std::u16string ToUtf16(std::string_view text);

// The UTF-8 form of a path handed to the OS: nothing when it cannot name a
// file at all (empty, unpaired surrogate, embedded NUL).
std::optional<std::string> PathToUtf8(std::u16string_view path);

}  // namespace vorundel::linux_desktop
