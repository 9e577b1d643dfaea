#include "tests/fuzz/reference.h"

#include <optional>

namespace vorundel::fuzz {
namespace {

bool IsLetter(char16_t c, char lower) {
  return c == lower || c == lower - ('a' - 'A');
}

bool EndsWithExe(std::u16string_view text) {
  const auto n = text.size();
  return n >= 4 && text[n - 4] == u'.' && IsLetter(text[n - 3], 'e') &&
         IsLetter(text[n - 2], 'x') && IsLetter(text[n - 1], 'e');
}

std::u16string UpToNul(const std::u16string& text) {
  std::u16string out;
  for (const char16_t c : text) {
    if (c == 0) {
      break;
    }
    out += c;
  }
  return out;
}

}  // namespace

std::u16string ReferenceUpper(std::u16string_view text) {
  std::u16string out;
  for (const char16_t c : text) {
    out += (u'a' <= c && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
  }
  return out;
}

std::u16string ReferenceLower(std::u16string_view text) {
  std::u16string out;
  for (const char16_t c : text) {
    out += (u'A' <= c && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
  }
  return out;
}

std::u16string ReferenceExtension(std::u16string_view name) {
  const auto separator = name.find_last_of(u"\\/");
  const auto component = separator == std::u16string_view::npos
                             ? name
                             : name.substr(separator + 1);
  const auto dot = component.rfind(u'.');
  if (dot == std::u16string_view::npos) {
    return {};
  }
  return ReferenceUpper(component.substr(dot + 1));
}

std::u16string ReferenceProgram(std::u16string_view commandLine) {
  const bool quoted = !commandLine.empty() && commandLine.front() == u'"';
  std::u16string taken;
  std::optional<std::size_t> throughExe;
  std::optional<std::size_t> firstBlank;
  for (std::size_t i = quoted ? 1 : 0; i < commandLine.size(); ++i) {
    const char16_t c = commandLine[i];
    if (quoted && c == u'"') {
      return taken;
    }
    if (!firstBlank && (c == u' ' || c == u'\t')) {
      firstBlank = taken.size();
    }
    taken += c;
    if (!throughExe && EndsWithExe(taken)) {
      throughExe = taken.size();
    }
  }
  if (throughExe) {
    return taken.substr(0, *throughExe);
  }
  if (!quoted && firstBlank) {
    return taken.substr(0, *firstBlank);
  }
  return taken;
}

bool ReferenceIsFileItself(std::u16string_view program) {
  return program.size() == 2 && program[0] == u'%' &&
         (program[1] == u'1' || IsLetter(program[1], 'l'));
}

std::u16string ReferenceExtensionKey(std::u16string_view ext) {
  const std::u16string lower = ReferenceLower(ext);
  return !lower.empty() && lower[0] == u'.' ? lower : u"." + lower;
}

ReferenceLookup LookUp(const Registry& registry, std::u16string_view ext) {
  ReferenceLookup lookup;
  lookup.keys.push_back(ReferenceExtensionKey(ext));
  const auto extensionKey = registry.find(lookup.keys.back());
  if (extensionKey == registry.end() || !extensionKey->second.readable) {
    return lookup;
  }
  lookup.keys.push_back(UpToNul(extensionKey->second.value) +
                        u"\\shell\\open\\command");
  const auto commandKey = registry.find(lookup.keys.back());
  if (commandKey == registry.end() || !commandKey->second.readable) {
    return lookup;
  }
  lookup.commandRead = true;
  lookup.commandLine = UpToNul(commandKey->second.value);
  lookup.program = ReferenceProgram(lookup.commandLine);
  return lookup;
}

}  // namespace vorundel::fuzz
