// What the main window does: the Set command, the file and association
// checks, and the launch at resume. The window forwards its events here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace vorundel {

class Form1Logic {
 public:
  explicit Form1Logic(Platform& platform) : platform_(platform) {}
  Form1Logic(const Form1Logic&) = delete;
  Form1Logic& operator=(const Form1Logic&) = delete;

  // Event handlers.
  void cmdSet_Click();
  void SysInfo1_PowerResume();
  void SysInfo1_PowerSuspend() {}

  // Whether FileName names an existing file (not a folder) that can be armed.
  bool FileExists(const std::u16string& FileName);

  // The program associated with the extension `ext`, or empty.
  std::u16string xFindExecutables(const std::u16string& ext);

  // Opens `path` through the shell; the shell's result, or 0 on failure.
  std::int32_t LaunchFile(const std::u16string& path);

 private:
  // The default value of a classes key, up to its first NUL; nothing when
  // the key cannot be opened or read. The key is closed on return.
  std::optional<std::u16string> ReadClassesValue(const std::u16string& subkey);

  // `subject` is the armed file, or the target of an armed shortcut.
  std::u16string ConfirmationPrompt(const std::u16string& subject,
                                    const std::u16string& extension,
                                    const std::u16string& program);

  Platform& platform_;
  // Set when a resume starts the launch: a later resume, even one that
  // arrives during the failure message, must not launch again.
  bool launched_ = false;
};

}  // namespace vorundel
