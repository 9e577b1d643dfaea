// The operating-system half of the platform on Windows. The window half
// (message box, window state, Label1) is the main window's, which derives
// from this class.
#pragma once

#include <windows.h>

#include "platform/platform.h"

namespace vorundel::win32 {

class Win32Services : public Platform {
 public:
  // The shell's own view: ".ext" answers the class the shell uses for it
  // (for ".url", the class of the scheme of Label1's link),
  // "CLASS\shell\open\command" the command it runs (see
  // shell_associations.h); any other key is read from HKEY_CLASSES_ROOT.
  std::unique_ptr<ClassesKey> OpenClassesKey(
      const std::u16string& subkey) override;
  std::optional<std::uint32_t> FileAttributes(
      const std::u16string& path) override;
  std::u16string CurrentDirectory() override;
  std::optional<std::u16string> ShortcutTarget(
      const std::u16string& path) override;
  // ShellExecuteW, or the open command of the file's class for a path the
  // shell would not take literally; a folder or a missing file is refused
  // (SE_ERR_FNF). COM must be initialised apartment-threaded on the
  // calling thread, since the shell may hand the verb to a COM handler.
  std::int32_t ShellOpen(const std::u16string& path,
                         const std::u16string& directory) override;
  bool WildcardsInFileNames() const override { return true; }
  // Windows sends WM_POWERBROADCAST to every top-level window.
  bool CanReceiveResume() override { return true; }

 protected:
  // Owns what the shell shows for a launch (an elevation prompt, a warning
  // for a downloaded file): without an owner it only flashes in the taskbar.
  virtual HWND OwnerWindow() const { return nullptr; }
};

}  // namespace vorundel::win32
