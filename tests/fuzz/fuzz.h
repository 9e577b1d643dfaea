// What the fuzz targets share: the invariant check, text from raw bytes, and
// the core tests' fake desktop answering from the fuzzer's input.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>

// A broken invariant stops the run; libFuzzer keeps the input.
#define MUST(condition) ((condition) ? void() : __builtin_trap())
#include "core/ascii_case.h"
#include "tests/fake_platform.h"

namespace vorundel::fuzz {

// The bytes as UTF-16 units of this (little-endian) machine, NULs, lone
// surrogates and an odd last byte included: any text a desktop can hand over.
inline std::u16string Units(std::string_view bytes) {
  std::u16string text((bytes.size() + 1) / 2, u'\0');
  std::memcpy(text.data(), bytes.data(), bytes.size());
  return text;
}

using testing::Text;

// Each answer is read from the input the first time it is asked for and
// written into the script, so the script is what the desktop said.
class FuzzPlatform : public testing::FakePlatform {
 public:
  explicit FuzzPlatform(FuzzedDataProvider& input) : in_(input) {}
  Text ReadText() { return Units(in_.ConsumeRandomLengthString()); }
  std::vector<Text> keys;             // in the order opened
  std::function<void()> eventInABox;  // may run while a box is open

  std::unique_ptr<ClassesKey> OpenClassesKey(const Text& k) override {
    keys.push_back(k);
    if (!in_.ConsumeBool()) {  // else missing
      registry.try_emplace(
          k, in_.ConsumeBool() ? std::nullopt : std::optional(ReadText()));
    }
    return FakePlatform::OpenClassesKey(k);
  }
  std::optional<std::uint32_t> FileAttributes(const Text& p) override {
    if (!in_.ConsumeBool()) {
      attributes.try_emplace(p, in_.ConsumeIntegral<std::uint32_t>());
    }
    return FakePlatform::FileAttributes(p);
  }
  std::optional<Text> ShortcutTarget(const Text& p) override {
    if (in_.ConsumeBool()) {
      shortcuts.try_emplace(p, ReadText());
    }
    return FakePlatform::ShortcutTarget(p);
  }
  std::int32_t ShellOpen(const Text& path, const Text& directory) override {
    shellResult = in_.ConsumeIntegral<std::int8_t>();
    return FakePlatform::ShellOpen(path, directory);
  }
  bool CanReceiveResume() override {
    return resumeReceivable = in_.ConsumeBool();
  }
  int ShowMessage(const Text& t, std::uint32_t s, const Text& c) override {
    button = in_.ConsumeIntegral<std::int8_t>();
    whileMessageOpen = in_.ConsumeBool() ? eventInABox : nullptr;
    return FakePlatform::ShowMessage(t, s, c);
  }

 private:
  FuzzedDataProvider& in_;
};

}  // namespace vorundel::fuzz
