// Opening a file through the "open" command of its extension's class,
// for the paths that the shell's usual route cannot take as they are.
#pragma once

#include <windows.h>

#include <string>

namespace vorundel::win32 {

// True when the shell's usual route (ShellExecuteW on the path) reaches
// `text` unchanged: shorter than MAX_PATH, and without a %NAME% reference
// to a defined environment variable, which Wine's shell expands in the
// file and folder it is given.
bool ShellTakesLiterally(const std::wstring& text);

// Opens `path` with the open command of the class that its extension
// names in the classes root, handing the path on unexpanded. A
// shell-style result: above 32 is success, SE_ERR_NOASSOC when the class
// or its open command is missing.
INT_PTR OpenThroughFileClass(const std::wstring& path,
                             const std::wstring& directory);

}  // namespace vorundel::win32
