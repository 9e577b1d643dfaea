#include "tests/fuzz/registry_input.h"

#include "tests/fuzz/reference.h"

namespace vorundel::fuzz {
namespace {

void Enter(Registry& registry,
           const std::u16string& name,
           int mode,
           std::u16string value) {
  if (mode == 1) {
    return;
  }
  registry[name] = {mode != 2, std::move(value)};
}

}  // namespace

Registry ReadRegistry(FuzzInput& input, const std::u16string& ext) {
  const int modes = input.Byte();
  std::u16string extensionValue = input.UnitsField();
  std::u16string commandValue = input.UnitsField();

  Registry registry;
  const std::u16string className =
      extensionValue.substr(0, extensionValue.find(u'\0'));
  Enter(registry, ReferenceExtensionKey(ext), modes & 3,
        std::move(extensionValue));
  Enter(registry, className + u"\\shell\\open\\command", (modes >> 2) & 3,
        std::move(commandValue));
  while (!input.empty()) {
    std::u16string name = input.TextField();
    registry.emplace(std::move(name), RegistryEntry{true, input.UnitsField()});
  }
  return registry;
}

}  // namespace vorundel::fuzz
