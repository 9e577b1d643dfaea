// Opening a file the way the desktop's file manager would.
#pragma once

#include <cstdint>
#include <string>

namespace vorundel::linux_desktop {

// Shell-style results: above 32 is success.
inline constexpr std::int32_t kOpenSucceeded = 42;
inline constexpr std::int32_t kOpenFileNotFound = 2;    // SE_ERR_FNF
inline constexpr std::int32_t kOpenAccessDenied = 5;    // SE_ERR_ACCESSDENIED
inline constexpr std::int32_t kOpenNoAssociation = 31;  // SE_ERR_NOASSOC

// Starts the default application of the file at `path` with the file's
// URI; a folder is refused as a missing file. The path reaches the
// application as one argument: no shell, no command string. Returns once
// the application has the file: spawned, or, when D-Bus activated, its
// Open call answered (within a bounded time, this thread's main context
// running meanwhile). `x11Time`, the X server's time now (0 off X11), lets
// the application's window come to the front.
std::int32_t OpenWithDefaultApplication(const std::string& path,
                                        std::uint32_t x11Time);

}  // namespace vorundel::linux_desktop
