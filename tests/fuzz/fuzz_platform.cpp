#include "tests/fuzz/fuzz_platform.h"

#include "tests/fuzz/fuzz_check.h"

namespace vorundel::fuzz {

class FuzzPlatform::Key : public ClassesKey {
 public:
  Key(FuzzPlatform& owner, const RegistryEntry& entry)
      : owner_(owner), entry_(entry) {
    ++owner_.openKeys;
  }
  ~Key() override {
    --owner_.openKeys;
    ++owner_.closedKeys;
  }

  std::optional<std::u16string> ReadDefaultValue() override {
    ++owner_.reads;
    if (!entry_.readable) {
      return std::nullopt;
    }
    return entry_.value;
  }

 private:
  FuzzPlatform& owner_;
  const RegistryEntry& entry_;
};

FuzzPlatform::~FuzzPlatform() {
  FUZZ_CHECK(openKeys == 0);
}

std::unique_ptr<ClassesKey> FuzzPlatform::OpenClassesKey(
    const std::u16string& subkey) {
  FUZZ_CHECK(openKeys == 0);
  openedKeys.push_back(subkey);
  const auto found = registry.find(subkey);
  if (found == registry.end()) {
    return nullptr;
  }
  return std::make_unique<Key>(*this, found->second);
}

std::optional<std::uint32_t> FuzzPlatform::FileAttributes(
    const std::u16string& path) {
  const auto found = attributes.find(path);
  if (found == attributes.end()) {
    return std::nullopt;
  }
  return found->second;
}

std::int32_t FuzzPlatform::ShellOpen(const std::u16string& path,
                                     const std::u16string& directory) {
  FUZZ_CHECK(openKeys == 0);
  shellCalls.push_back({path, directory});
  return shellResult;
}

bool FuzzPlatform::CanReceiveResume() {
  ++resumeQueries;
  return resumeReceivable;
}

int FuzzPlatform::ShowMessage(const std::u16string& text,
                              std::uint32_t style,
                              const std::u16string& caption) {
  FUZZ_CHECK(openKeys == 0);
  messages.push_back({text, style, caption});
  return answer;
}

void FuzzPlatform::MinimizeWindow() {
  ++minimizes;
  windowState = 1;
}

}  // namespace vorundel::fuzz
