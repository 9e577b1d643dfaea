// Opening a file through the "open" command of its extension's class,
// for the paths that the shell's usual route cannot take as they are.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <string>

namespace vorundel::win32 {

// True when the shell's usual route (ShellExecuteExW on the path) takes
// `text`: shorter than MAX_PATH. A %NAME% in it stays as it is, since the
// shell expands variables only with SEE_MASK_DOENVSUBST.
bool ShellTakesLiterally(const std::wstring& text);

// ShellExecuteExW's "open" of `info.lpFile` (shown normally, no error box
// of the shell's own), waiting until the launch is under way: the program
// ends right after it. A shell-style result: above 32 is success.
INT_PTR OpenThroughShell(SHELLEXECUTEINFOW& info);

// Opens `path` with the open command of the class that its extension
// names in the classes root, handing the path on unexpanded. A
// shell-style result: above 32 is success, SE_ERR_NOASSOC when the class
// or its open command is missing.
INT_PTR OpenThroughFileClass(const std::wstring& path,
                             const std::wstring& directory,
                             HWND owner);

}  // namespace vorundel::win32
