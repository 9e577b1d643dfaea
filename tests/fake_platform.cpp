#include "tests/fake_platform.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace vorundel::testing {

std::string Utf8(std::u16string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() &&
        text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

class FakePlatform::Key : public ClassesKey {
 public:
  Key(FakePlatform& owner, std::u16string name)
      : owner_(owner), name_(std::move(name)) {
    ++owner_.openKeys;
  }
  ~Key() override {
    --owner_.openKeys;
    owner_.calls.push_back("close " + Utf8(name_));
  }

  std::optional<std::u16string> ReadDefaultValue() override {
    owner_.calls.push_back("read " + Utf8(name_));
    return owner_.registry.at(name_);
  }

 private:
  FakePlatform& owner_;
  std::u16string name_;
};

FakePlatform::~FakePlatform() {
  EXPECT_EQ(openKeys, 0) << "a classes key outlived the test";
}

void FakePlatform::ExpectNoOpenKey(const std::string& where) const {
  EXPECT_EQ(openKeys, 0) << "a classes key is still open at " << where;
}

std::unique_ptr<ClassesKey> FakePlatform::OpenClassesKey(
    const std::u16string& subkey) {
  ExpectNoOpenKey("open " + Utf8(subkey));
  calls.push_back("open " + Utf8(subkey));
  if (registry.find(subkey) == registry.end()) {
    return nullptr;
  }
  return std::make_unique<Key>(*this, subkey);
}

std::optional<std::uint32_t> FakePlatform::FileAttributes(
    const std::u16string& path) {
  calls.push_back("attributes " + Utf8(path));
  const auto found = attributes.find(path);
  if (found == attributes.end()) {
    return std::nullopt;
  }
  return found->second;
}

std::u16string FakePlatform::CurrentDirectory() {
  calls.push_back("directory");
  return currentDirectory;
}

std::optional<std::u16string> FakePlatform::ShortcutTarget(
    const std::u16string& path) {
  calls.push_back("shortcut? " + Utf8(path));
  const auto found = shortcuts.find(path);
  if (found == shortcuts.end()) {
    return std::nullopt;
  }
  return found->second;
}

std::int32_t FakePlatform::ShellOpen(const std::u16string& path,
                                     const std::u16string& directory) {
  ExpectNoOpenKey("shell open");
  calls.push_back("shell " + Utf8(path) + " | " + Utf8(directory));
  shellPaths.push_back(path);
  return shellResult;
}

bool FakePlatform::CanReceiveResume() {
  calls.push_back("resume?");
  return resumeReceivable;
}

int FakePlatform::ShowMessage(const std::u16string& text,
                              std::uint32_t style,
                              const std::u16string& caption) {
  ExpectNoOpenKey("message box");
  char styleText[16];
  std::snprintf(styleText, sizeof styleText, "0x%02X", style);
  calls.push_back(std::string("message ") + styleText + " " + Utf8(text));
  messages.push_back({text, style, caption});
  if (whileMessageOpen) {
    const RecordedMessage shown = messages.back();
    whileMessageOpen(shown);
  }
  if (buttons.empty()) {
    return 1;
  }
  const int button = buttons.front();
  buttons.pop_front();
  return button;
}

void FakePlatform::MinimizeWindow() {
  calls.push_back("minimize");
  windowState = 1;
}

void FakePlatform::UnloadForm() {
  calls.push_back("unload");
  ++unloads;
}

}  // namespace vorundel::testing
