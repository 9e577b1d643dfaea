// An in-memory desktop for the core's tests and fuzz targets: answers from a
// script and records what the user would see. A classes key still open at
// another open, a message box, a shell call or the end breaks MUST.
#pragma once

#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "platform/platform.h"

#ifndef MUST  // the fuzz targets stop the run instead
#include <gtest/gtest.h>
#define MUST(condition) EXPECT_TRUE(condition)
#endif

namespace vorundel::testing {

class FakePlatform : public Platform {
 public:
  ~FakePlatform() override { MUST(openKeys_ == 0); }

  // A key mapped to nothing exists but its value cannot be read; a path not
  // listed cannot be examined.
  std::map<std::u16string, std::optional<std::u16string>> registry;
  std::map<std::u16string, std::uint32_t> attributes;
  std::map<std::u16string, std::u16string> shortcuts;
  std::int32_t shellResult = 42;
  bool wildcards = true, resumeReceivable = false;
  std::u16string label1;
  int windowState = 0, button = 1;  // button: the answer of every box
  // Runs once, while the next box is open, as a modal loop's events would.
  std::function<void()> whileMessageOpen;
  // Paths examined; "message 0xSS TEXT", "shell PATH | DIRECTORY", "unload".
  std::vector<std::u16string> examined, calls;

  std::unique_ptr<ClassesKey> OpenClassesKey(const std::u16string& k) override {
    MUST(openKeys_ == 0);
    return registry.contains(k) ? std::make_unique<Key>(openKeys_, registry[k])
                                : nullptr;
  }
  std::optional<std::uint32_t> FileAttributes(
      const std::u16string& p) override {
    examined.push_back(p);
    return attributes.contains(p) ? std::optional(attributes[p]) : std::nullopt;
  }
  std::u16string CurrentDirectory() override { return u"C:\\Work"; }
  std::optional<std::u16string> ShortcutTarget(
      const std::u16string& p) override {
    return shortcuts.contains(p) ? std::optional(shortcuts[p]) : std::nullopt;
  }
  std::int32_t ShellOpen(const std::u16string& path,
                         const std::u16string& directory) override {
    MUST(openKeys_ == 0);
    calls.push_back(u"shell " + path + u" | " + directory);
    return shellResult;
  }
  bool WildcardsInFileNames() const override { return wildcards; }
  bool CanReceiveResume() override { return resumeReceivable; }
  int ShowMessage(const std::u16string& text,
                  std::uint32_t style,
                  const std::u16string& caption) override {
    MUST(openKeys_ == 0 && caption == u"Vorundel");
    const char16_t* hex = u"0123456789ABCDEF";
    calls.push_back(u"message 0x" +
                    std::u16string{hex[style / 16 % 16], hex[style % 16]} +
                    u" " + text);
    if (const auto during = std::exchange(whileMessageOpen, nullptr)) {
      during();
    }
    return button;
  }
  int WindowState() override { return windowState; }
  void MinimizeWindow() override { windowState = 1; }
  std::u16string Label1Text() override { return label1; }
  void UnloadForm() override { calls.push_back(u"unload"); }

 private:
  struct Key : ClassesKey {
    Key(int& openKeys, std::optional<std::u16string> value)
        : open(++openKeys), value(std::move(value)) {}
    ~Key() override { --open; }
    std::optional<std::u16string> ReadDefaultValue() override { return value; }
    int& open;
    std::optional<std::u16string> value;
  };
  int openKeys_ = 0;
};

}  // namespace vorundel::testing
