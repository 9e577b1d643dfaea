// What the fuzz targets share: the invariant check, text from raw bytes, and
// a desktop whose every answer (registry, files, shortcuts, buttons, resumes
// during a message box) is read from the fuzzer's input.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "platform/platform.h"

// A broken invariant stops the run; libFuzzer keeps the input.
#define FUZZ_CHECK(condition) ((condition) ? void() : __builtin_trap())

namespace vorundel::fuzz {

// The bytes as UTF-16 units of this (little-endian) machine, NULs, lone
// surrogates and an odd last byte included: any text a desktop can hand over.
inline std::u16string Units(std::string_view bytes) {
  std::u16string text((bytes.size() + 1) / 2, u'\0');
  std::memcpy(text.data(), bytes.data(), bytes.size());
  return text;
}

inline std::u16string AsciiUpperCase(std::u16string text) {
  for (auto& c : text) {
    c = c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
  }
  return text;
}

inline std::u16string UpToNul(const std::u16string& text) {
  return text.substr(0, text.find(u'\0'));
}

class FuzzPlatform : public Platform {
 public:
  explicit FuzzPlatform(FuzzedDataProvider& input) : in_(input) {}
  ~FuzzPlatform() override { FUZZ_CHECK(openKeys_ == 0); }
  std::u16string Text() { return Units(in_.ConsumeRandomLengthString()); }

  bool wildcards = true;
  std::u16string label1;
  int windowState = 0;
  std::function<void()> duringMessage = [] {};
  // --- what was asked and answered ---
  std::vector<std::u16string> keys, values;  // keys opened, values read
  std::set<std::u16string> files;            // paths answered with a non-folder
  std::map<std::u16string, std::u16string> targets;  // of shortcuts
  bool resumeReceivable = false;
  std::vector<std::uint32_t> styles;  // of the message boxes shown
  std::vector<int> answers;
  std::vector<std::u16string> shellPaths;
  std::int32_t shellResult = 0;
  int unloads = 0;

  std::unique_ptr<ClassesKey> OpenClassesKey(const std::u16string& k) override {
    FUZZ_CHECK(openKeys_ == 0);
    keys.push_back(k);
    return in_.ConsumeBool() ? nullptr : std::make_unique<Key>(*this);
  }
  std::optional<std::uint32_t> FileAttributes(
      const std::u16string& path) override {
    if (in_.ConsumeBool()) {
      return std::nullopt;
    }
    const auto attributes = in_.ConsumeIntegral<std::uint32_t>();
    if (!(attributes & 0x10)) {
      files.insert(path);
    }
    return attributes;
  }
  std::u16string CurrentDirectory() override { return u"C:\\Work"; }
  std::optional<std::u16string> ShortcutTarget(
      const std::u16string& path) override {
    return in_.ConsumeBool() ? std::optional(targets[path] = Text())
                             : std::nullopt;
  }
  std::int32_t ShellOpen(const std::u16string& path,
                         const std::u16string& directory) override {
    FUZZ_CHECK(openKeys_ == 0 && directory == u"C:\\Work");
    shellPaths.push_back(path);
    return shellResult = in_.ConsumeIntegral<std::int8_t>();
  }
  bool WildcardsInFileNames() const override { return wildcards; }
  bool CanReceiveResume() override {
    return resumeReceivable = in_.ConsumeBool();
  }
  int ShowMessage(const std::u16string&,
                  std::uint32_t style,
                  const std::u16string& caption) override {
    FUZZ_CHECK(openKeys_ == 0 && caption == u"Vorundel");
    styles.push_back(style);
    answers.push_back(in_.ConsumeIntegral<std::int8_t>());
    if (in_.ConsumeBool()) {
      duringMessage();
    }
    return answers.back();
  }
  int WindowState() override { return windowState; }
  void MinimizeWindow() override { windowState = 1; }
  std::u16string Label1Text() override { return label1; }
  void UnloadForm() override { ++unloads; }

 private:
  struct Key : ClassesKey {
    explicit Key(FuzzPlatform& owner) : owner(owner) { ++owner.openKeys_; }
    ~Key() override { --owner.openKeys_; }
    std::optional<std::u16string> ReadDefaultValue() override {
      return owner.in_.ConsumeBool()
                 ? std::nullopt
                 : std::optional(owner.values.emplace_back(owner.Text()));
    }
    FuzzPlatform& owner;
  };
  FuzzedDataProvider& in_;
  int openKeys_ = 0;
};

}  // namespace vorundel::fuzz
