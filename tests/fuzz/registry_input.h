// A classes registry written by the fuzzer, shared by the targets that
// look up associations.
#pragma once

#include <string>

#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/fuzz_platform.h"

namespace vorundel::fuzz {

// Reads, in this order: a mode byte (bits 0-1 for the extension key,
// bits 2-3 for the command key: 0 or 3 present, 1 missing, 2 unreadable),
// the extension key's value and the command key's value (raw bytes, see
// DecodeUnits), then any number of further keys as name (text) and value
// (raw) pairs. The two keys of the lookup of `ext` are entered under the
// names the lookup should ask for, so that the fuzzer reaches every branch;
// the further keys may have any name, and never replace those two.
Registry ReadRegistry(FuzzInput& input, const std::u16string& ext);

}  // namespace vorundel::fuzz
