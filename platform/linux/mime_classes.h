// The classes registry as the Linux desktop knows it: a file extension
// maps to a MIME type (shared-mime-info globs and magic), a MIME type to its
// default application (mimeapps.list and .desktop entries). Read only.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace vorundel::linux_desktop {

// The MIME type of `dotExtension` (starting with '.'): the content type
// GIO gives `file`, the file in question, when its name ends in it (any
// case), as the launch will; else the heaviest glob match of the name alone.
// Nothing for a type GIO does not know.
std::optional<std::string> MimeTypeOfExtension(const std::string& dotExtension,
                                               const std::string& file);

// The command line of the default application for `mimeType`: the
// program that opens the file (see ProgramOfApp), quoted.
std::optional<std::string> DefaultCommandForType(const std::string& mimeType);

// Opens ".ext" (for `file`, see MimeTypeOfExtension) or
// "TYPE\shell\open\command"; null for every other key and for keys the
// desktop has no answer for.
std::unique_ptr<ClassesKey> OpenMimeClassesKey(const std::u16string& subkey,
                                               const std::string& file);

}  // namespace vorundel::linux_desktop
