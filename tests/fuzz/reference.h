// Plain, separately written versions of the core's rules, for the fuzz
// targets to compare against. Written for clarity, not speed, and on
// purpose without the core's helpers.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tests/fuzz/fuzz_platform.h"

namespace vorundel::fuzz {

std::u16string ReferenceUpper(std::u16string_view text);
std::u16string ReferenceLower(std::u16string_view text);

// The last path component's text after its last dot, upper case.
std::u16string ReferenceExtension(std::u16string_view name);

// Scans the command line once, left to right.
std::u16string ReferenceProgram(std::u16string_view commandLine);

bool ReferenceIsFileItself(std::u16string_view program);

// What the association lookup of `ext` must open and return in `registry`.
struct ReferenceLookup {
  std::vector<std::u16string> keys;  // in the order they are opened
  std::u16string commandLine;        // as read, up to its first NUL
  bool commandRead = false;
  std::u16string program;
};
ReferenceLookup LookUp(const Registry& registry, std::u16string_view ext);

// The key under which the association of `ext` starts.
std::u16string ReferenceExtensionKey(std::u16string_view ext);

}  // namespace vorundel::fuzz
