// The core speaks UTF-16; GIO speaks UTF-8, and the file system bytes.
// A file name that is no UTF-8 (Shift_JIS from an old archive or share)
// crosses the core with each byte that is not part of a UTF-8 character
// as a lone surrogate U+DC80..U+DCFF, and comes back to the same bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vorundel::linux_desktop {

// Nothing when `text` holds an unpaired surrogate.
std::optional<std::string> ToUtf8(std::u16string_view text);

// Invalid UTF-8 sequences become U+FFFD.
std::u16string ToUtf16(std::string_view text);

// The bytes of a path handed to the OS: nothing when it cannot name a file
// at all (empty, a surrogate that stands for no byte, embedded NUL).
std::optional<std::string> PathToBytes(std::u16string_view path);

// A path from the OS, losslessly (see above).
std::u16string PathFromBytes(std::string_view bytes);

// `path` as the file manager shows it (GLib's display name).
std::u16string DisplayName(std::u16string_view path);

// The one file a text/uri-list names, or nothing (none, several, or not a
// file: URI).
std::optional<std::u16string> FileOfUriList(std::string_view uriList);

}  // namespace vorundel::linux_desktop
