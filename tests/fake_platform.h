// An in-memory desktop for the core's tests: answers from a script and
// records what the user would see. A classes key still open at another
// open, a message box, a shell call or the end of the test fails the test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace vorundel::testing {

class FakePlatform : public Platform {
 public:
  ~FakePlatform() override { EXPECT_EQ(openKeys_, 0) << "a key outlived it"; }

  // --- script ---
  // A key mapped to nothing exists but its value cannot be read.
  std::map<std::u16string, std::optional<std::u16string>> registry;
  // A path not listed cannot be examined.
  std::map<std::u16string, std::uint32_t> attributes;
  std::map<std::u16string, std::u16string> shortcuts;
  std::int32_t shellResult = 42;
  bool wildcards = true;
  bool resumeReceivable = true;
  std::u16string label1;
  int windowState = 0;
  int button = 1;  // the answer of every message box
  // Runs while a message box is open, as the events of a modal loop would.
  std::function<void()> whileMessageOpen = [] {};

  // --- record ---
  std::vector<std::u16string> examined;  // paths whose attributes were read
  // "message 0xSS TEXT", "shell PATH | DIRECTORY", "unload", in order.
  std::vector<std::u16string> calls;

  std::unique_ptr<ClassesKey> OpenClassesKey(const std::u16string& k) override {
    EXPECT_EQ(openKeys_, 0) << "a key is open at the next open";
    const auto value = Find(registry, k);
    return value ? std::make_unique<Key>(*this, *value) : nullptr;
  }
  std::optional<std::uint32_t> FileAttributes(
      const std::u16string& p) override {
    examined.push_back(p);
    return Find(attributes, p);
  }
  std::u16string CurrentDirectory() override { return u"C:\\Work"; }
  std::optional<std::u16string> ShortcutTarget(
      const std::u16string& p) override {
    return Find(shortcuts, p);
  }
  std::int32_t ShellOpen(const std::u16string& path,
                         const std::u16string& directory) override {
    EXPECT_EQ(openKeys_, 0) << "a key is open at the shell call";
    calls.push_back(u"shell " + path + u" | " + directory);
    return shellResult;
  }
  bool WildcardsInFileNames() const override { return wildcards; }
  bool CanReceiveResume() override { return resumeReceivable; }
  int ShowMessage(const std::u16string& text,
                  std::uint32_t style,
                  const std::u16string& caption) override {
    EXPECT_EQ(openKeys_, 0) << "a key is open at a message box";
    EXPECT_EQ(caption, u"Vorundel");
    constexpr char16_t kHex[] = u"0123456789ABCDEF";
    calls.push_back(u"message 0x" +
                    std::u16string{kHex[style / 16 % 16], kHex[style % 16]} +
                    u" " + text);
    whileMessageOpen();
    return button;
  }
  int WindowState() override { return windowState; }
  void MinimizeWindow() override { windowState = 1; }
  std::u16string Label1Text() override { return label1; }
  void UnloadForm() override { calls.push_back(u"unload"); }

 private:
  template <class Map>
  static std::optional<typename Map::mapped_type> Find(
      const Map& map,
      const std::u16string& k) {
    const auto found = map.find(k);
    return found == map.end() ? std::nullopt : std::optional(found->second);
  }
  struct Key : ClassesKey {
    Key(FakePlatform& owner, std::optional<std::u16string> value)
        : owner(owner), value(std::move(value)) {
      ++owner.openKeys_;
    }
    ~Key() override { --owner.openKeys_; }
    std::optional<std::u16string> ReadDefaultValue() override { return value; }
    FakePlatform& owner;
    std::optional<std::u16string> value;
  };
  int openKeys_ = 0;
};

}  // namespace vorundel::testing
