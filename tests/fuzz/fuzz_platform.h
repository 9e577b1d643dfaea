// A scripted desktop for the fuzz targets. It records what the core asks
// for and stops the run (FUZZ_CHECK) where the core breaks a rule that holds
// at every call: a second key opened while one is open, a message box or a
// shell open while a key is open.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace vorundel::fuzz {

struct RegistryEntry {
  bool readable = true;
  std::u16string value;  // any units: embedded NULs, no final NUL
};
using Registry = std::map<std::u16string, RegistryEntry>;

struct ShownMessage {
  std::u16string text;
  std::uint32_t style;
  std::u16string caption;
};

struct ShellCall {
  std::u16string path;
  std::u16string directory;
};

class FuzzPlatform : public Platform {
 public:
  ~FuzzPlatform() override;

  // --- script ---
  Registry registry;
  // Attribute sets of paths; a path not listed cannot be examined.
  std::map<std::u16string, std::uint32_t> attributes;
  std::u16string currentDirectory = u"C:\\Work";
  std::int32_t shellResult = 42;
  bool wildcards = true;
  bool resumeReceivable = true;
  std::u16string label1;
  int windowState = 0;
  // The answer of every message box.
  int answer = 1;

  // --- record ---
  std::vector<std::u16string> openedKeys;
  int openKeys = 0;
  int closedKeys = 0;
  int reads = 0;
  int resumeQueries = 0;
  std::vector<ShownMessage> messages;
  std::vector<ShellCall> shellCalls;
  int minimizes = 0;
  int unloads = 0;

  // --- Platform ---
  std::unique_ptr<ClassesKey> OpenClassesKey(
      const std::u16string& subkey) override;
  std::optional<std::uint32_t> FileAttributes(
      const std::u16string& path) override;
  std::u16string CurrentDirectory() override { return currentDirectory; }
  std::optional<std::u16string> ShortcutTarget(const std::u16string&) override {
    return std::nullopt;
  }
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
  void UnloadForm() override { ++unloads; }

 private:
  class Key;
};

}  // namespace vorundel::fuzz
