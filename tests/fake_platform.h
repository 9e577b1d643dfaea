// An in-memory desktop for the core's tests: answers from a
// script and records what the user would see. A classes key still open at
// another open, a message box, a shell call or the end fails the test, as do a
// box not titled "Vorundel" and a launch outside the program's folder.
#pragma once

#include <functional>
#include <map>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/platform.h"

namespace vorundel::testing {

using Text = std::u16string;

class FakePlatform : public Platform {
 public:
  ~FakePlatform() override { EXPECT_TRUE(openKeys_ == 0); }

  // A key mapped to nothing exists but its value cannot be read; a path not
  // listed cannot be examined.
  std::map<Text, std::optional<Text>> registry;
  std::map<Text, std::uint32_t> attributes;
  std::map<Text, Text> shortcuts;
  std::int32_t shellResult = 42;
  bool wildcards = true, resumeReceivable = false;
  Text label1;
  int windowState = 0, button = 1;  // button: the answer of every box
  // Runs once, while the next box is open, as a modal loop's events would.
  std::function<void()> whileMessageOpen;
  // Paths examined; "message 0xSS TEXT", "shell PATH", "unload".
  std::vector<Text> examined, calls;

  std::unique_ptr<ClassesKey> OpenClassesKey(const Text& k) override {
    EXPECT_TRUE(openKeys_ == 0);
    return registry.contains(k) ? std::make_unique<Key>(openKeys_, registry[k])
                                : nullptr;
  }
  std::optional<std::uint32_t> FileAttributes(const Text& p) override {
    examined.push_back(p);
    return attributes.contains(p) ? std::optional(attributes[p]) : std::nullopt;
  }
  Text CurrentDirectory() override { return u"C:\\Work"; }
  std::optional<Text> ShortcutTarget(const Text& p) override {
    return shortcuts.contains(p) ? std::optional(shortcuts[p]) : std::nullopt;
  }
  std::int32_t ShellOpen(const Text& path, const Text& directory) override {
    EXPECT_TRUE(openKeys_ == 0 && directory == u"C:\\Work");
    calls.push_back(u"shell " + path);
    return shellResult;
  }
  bool WildcardsInFileNames() const override { return wildcards; }
  bool CanReceiveResume() override { return resumeReceivable; }
  int ShowMessage(const Text& text,
                  std::uint32_t style,
                  const Text& caption) override {
    EXPECT_TRUE(openKeys_ == 0 && caption == u"Vorundel");
    const char16_t* hex = u"0123456789ABCDEF";
    calls.push_back(u"message 0x" +
                    Text{hex[style / 16 % 16], hex[style % 16]} + u" " + text);
    if (const auto during = std::exchange(whileMessageOpen, nullptr)) {
      during();
    }
    return button;
  }
  int WindowState() override { return windowState; }
  void MinimizeWindow() override { windowState = 1; }
  Text Label1Text() override { return label1; }
  void UnloadForm() override { calls.push_back(u"unload"); }

 private:
  struct Key : ClassesKey {
    Key(int& openKeys, std::optional<Text> value)
        : open(++openKeys), value(std::move(value)) {}
    ~Key() override { --open; }
    std::optional<Text> ReadDefaultValue() override { return value; }
    int& open;
    std::optional<Text> value;
  };
  int openKeys_ = 0;
};

}  // namespace vorundel::testing
