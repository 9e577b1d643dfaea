// The one interface the core calls. Everything the program needs from the
// desktop (classes registry, file system, shell, message box, main window)
// goes through here, so the core stays free of OS and toolkit headers.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace vorundel {

// An open key of the classes registry. Destroying it closes the key.
class ClassesKey {
 public:
  virtual ~ClassesKey() = default;
  ClassesKey(const ClassesKey&) = delete;
  ClassesKey& operator=(const ClassesKey&) = delete;

  // The key's default value as text, or nothing when it cannot be read.
  virtual std::optional<std::u16string> ReadDefaultValue() = 0;

 protected:
  ClassesKey() = default;
};

// A key whose value the desktop answered when it was opened: the answer
// does not change between opening and reading in any way the core could
// notice.
class AnsweredKey final : public ClassesKey {
 public:
  explicit AnsweredKey(std::u16string value) : value_(std::move(value)) {}
  std::optional<std::u16string> ReadDefaultValue() override { return value_; }

 private:
  std::u16string value_;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // --- OS services ---

  // Opens `subkey` directly under the classes root, read only.
  // Returns null when the key cannot be opened.
  virtual std::unique_ptr<ClassesKey> OpenClassesKey(
      const std::u16string& subkey) = 0;

  // The full attribute set of `path` (0x10: directory), or nothing when the
  // path cannot be examined.
  virtual std::optional<std::uint32_t> FileAttributes(
      const std::u16string& path) = 0;

  virtual std::u16string CurrentDirectory() = 0;

  // The path a shortcut file at `path` points to (empty when it points to
  // no file), or nothing when `path` is no shortcut. Resolved without any
  // user interface or search.
  virtual std::optional<std::u16string> ShortcutTarget(
      const std::u16string& path) = 0;

  // Opens `path` with the desktop's "open" handling in `directory`.
  // Shell-style result: greater than 32 is success.
  virtual std::int32_t ShellOpen(const std::u16string& path,
                                 const std::u16string& directory) = 0;

  // Whether '*' and '?' are wildcards in file names on this desktop.
  virtual bool WildcardsInFileNames() const = 0;

  // Whether resume notifications can reach this program right now.
  virtual bool CanReceiveResume() = 0;

  // --- the main window ---

  // Modal box; returns the button pressed (1 OK, 2 Cancel or closed).
  virtual int ShowMessage(const std::u16string& text,
                          std::uint32_t style,
                          const std::u16string& caption) = 0;

  // 0 normal, 1 minimized.
  virtual int WindowState() = 0;
  virtual void MinimizeWindow() = 0;
  virtual std::u16string Label1Text() = 0;
  // Closes the main window; the program ends.
  virtual void UnloadForm() = 0;
};

}  // namespace vorundel
