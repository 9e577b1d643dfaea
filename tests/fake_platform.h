// An in-memory desktop for the core's tests: answers from a script and
// records every call in order.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace vorundel::testing {

// UTF-8 form of a UTF-16 string, for readable call records and messages.
std::string Utf8(std::u16string_view text);

struct RecordedMessage {
  std::u16string text;
  std::uint32_t style;
  std::u16string caption;
};

class FakePlatform : public Platform {
 public:
  ~FakePlatform() override;

  // --- script ---
  // Classes keys and their default values; a key mapped to nothing exists
  // but its value cannot be read.
  std::map<std::u16string, std::optional<std::u16string>> registry;
  // Attribute sets of paths; a path not listed cannot be examined.
  std::map<std::u16string, std::uint32_t> attributes;
  // Shortcut files and the paths they point to.
  std::map<std::u16string, std::u16string> shortcuts;
  std::u16string currentDirectory = u"C:\\Work";
  std::int32_t shellResult = 42;
  bool wildcards = true;
  bool resumeReceivable = true;
  std::u16string label1;
  int windowState = 0;
  // Buttons pressed in the message boxes, in order; OK once they run out.
  std::deque<int> buttons;
  // Runs while a message box is open, as the events of a modal loop would.
  std::function<void(const RecordedMessage&)> whileMessageOpen;

  // --- record ---
  // "open K", "read K", "close K", "attributes P", "shortcut? P", "directory",
  // "shell P | D", "resume?", "message 0xSS TEXT", "minimize", "unload".
  std::vector<std::string> calls;
  std::vector<RecordedMessage> messages;
  std::vector<std::u16string> shellPaths;
  int openKeys = 0;
  int unloads = 0;

  // --- Platform ---
  std::unique_ptr<ClassesKey> OpenClassesKey(
      const std::u16string& subkey) override;
  std::optional<std::uint32_t> FileAttributes(
      const std::u16string& path) override;
  std::u16string CurrentDirectory() override;
  std::optional<std::u16string> ShortcutTarget(
      const std::u16string& path) override;
  std::int32_t ShellOpen(const std::u16string& path,
                         const std::u16string& directory) override;
  bool WildcardsInFileNames() const override { return wildcards; }
  bool CanReceiveResume() override;
  int ShowMessage(const std::u16string& text,
                  std::uint32_t style,
                  const std::u16string& caption) override;
  int WindowState() override { return windowState; }
  void MinimizeWindow() override;
  std::u16string Label1Text() override { return label1; }
  void UnloadForm() override;

 private:
  class Key;
  // Fails the test when a key is open at a point where none may be.
  void ExpectNoOpenKey(const std::string& where) const;
};

}  // namespace vorundel::testing
