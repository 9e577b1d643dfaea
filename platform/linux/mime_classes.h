// The classes registry as the Linux desktop knows it: a file extension
// maps to a MIME type (shared-mime-info globs), a MIME type to its default
// application (mimeapps.list and .desktop entries). Read only.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace vorundel::linux_desktop {

// The MIME type the globs give a file named "file" + `dotExtension`, when
// the guess is certain. `dotExtension` starts with '.'.
std::optional<std::string> MimeTypeOfExtension(const std::string& dotExtension);

// The command line of the default application for `mimeType`: the
// program that opens the file (see ProgramOfApp), quoted.
std::optional<std::string> DefaultCommandForType(const std::string& mimeType);

// Opens ".ext" or "TYPE\shell\open\command"; null for every other key and
// for keys the desktop has no answer for.
std::unique_ptr<ClassesKey> OpenMimeClassesKey(const std::u16string& subkey);

}  // namespace vorundel::linux_desktop
