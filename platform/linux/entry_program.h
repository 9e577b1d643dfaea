// The program behind a desktop entry's launch wrappers (env, flatpak), as
// the prompt should name it. The launch itself stays GIO's.
#pragma once

#include <gio/gio.h>

#include <optional>
#include <string>

namespace vorundel::linux_desktop {

// What opens files for `app`: for a flatpak, its exported launcher, or its
// app id when it has none; otherwise the entry's TryExec, or else its Exec
// line's program past env. Paths are kept as written (/snap/bin/<name> is
// a link to snap itself).
std::optional<std::string> ProgramOfApp(GAppInfo* app);

}  // namespace vorundel::linux_desktop
