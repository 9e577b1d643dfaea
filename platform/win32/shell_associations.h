// What the shell itself will do with a file type or a shortcut, asked of
// the shell rather than read from the registry: on Windows 10 and 11 the
// user's choice of program outranks HKEY_CLASSES_ROOT\.ext.
#pragma once

#include <optional>
#include <string>

namespace vorundel::win32 {

// `text` with its %NAME% references expanded, or nothing on failure.
std::optional<std::wstring> ExpandEnvironment(const std::wstring& text);

// The class (ProgID) the shell uses for `extension` (".txt"), the user's
// choice first. COM must be initialised on the calling thread.
std::optional<std::u16string> ShellClassOf(const std::u16string& extension);

// The class that opens the link held by the internet shortcut (.url) at
// `path`: the user's choice for its URL scheme, else the scheme's own
// class. Nothing when `path` holds no link.
std::optional<std::u16string> UrlClassOf(const std::u16string& path);

// The command line the shell runs to open a file of `className`, with
// environment references expanded. A class opened by a handler without a
// command line (packaged apps, DelegateExecute) answers with the program
// the shell names for it, in double quotes.
std::optional<std::u16string> ShellOpenCommandOf(
    const std::u16string& className);

// The path a `.lnk` file points to (empty when it points to no file), read
// without resolving it: no user interface, no search, no network wait.
// Nothing when `path` is no shortcut.
std::optional<std::u16string> ShortcutTargetOf(const std::u16string& path);

}  // namespace vorundel::win32
