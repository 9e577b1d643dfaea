#include "tests/fuzz/fuzz_input.h"

#include <algorithm>

namespace vorundel::fuzz {
namespace {

void AppendCodePoint(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  }
}

// Length of the valid UTF-8 sequence at the start of `bytes` and its code
// point, or 0 when it is not one.
std::size_t Utf8Sequence(std::string_view bytes, char32_t& c) {
  const auto b0 = static_cast<unsigned char>(bytes[0]);
  std::size_t length;
  char32_t min;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2, c = b0 & 0x1F, min = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3, c = b0 & 0x0F, min = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4, c = b0 & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (bytes.size() < length) {
    return 0;
  }
  for (std::size_t i = 1; i < length; ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if ((b & 0xC0) != 0x80) {
      return 0;
    }
    c = (c << 6) | (b & 0x3F);
  }
  const bool surrogate = c >= 0xD800 && c < 0xE000;
  return c < min || c > 0x10FFFF || surrogate ? 0 : length;
}

}  // namespace

std::u16string DecodeText(std::string_view bytes) {
  std::u16string out;
  while (!bytes.empty()) {
    const auto b0 = static_cast<unsigned char>(bytes[0]);
    if (b0 == 0x01) {
      const auto lo =
          bytes.size() > 1 ? static_cast<unsigned char>(bytes[1]) : 0;
      const auto hi =
          bytes.size() > 2 ? static_cast<unsigned char>(bytes[2]) : 0;
      out += static_cast<char16_t>(lo | (hi << 8));
      bytes.remove_prefix(std::min<std::size_t>(3, bytes.size()));
      continue;
    }
    char32_t c;
    if (const auto length = Utf8Sequence(bytes, c); length > 0) {
      AppendCodePoint(out, c);
      bytes.remove_prefix(length);
      continue;
    }
    out += static_cast<char16_t>(b0);
    bytes.remove_prefix(1);
  }
  return out;
}

std::u16string DecodeUnits(std::string_view bytes) {
  std::u16string out;
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    const auto lo = static_cast<unsigned char>(bytes[i]);
    const auto hi =
        i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
    out += static_cast<char16_t>(lo | (hi << 8));
  }
  return out;
}

std::uint8_t FuzzInput::Byte() {
  if (rest_.empty()) {
    return 0;
  }
  const auto b = static_cast<std::uint8_t>(rest_[0]);
  rest_.remove_prefix(1);
  return b;
}

std::uint32_t FuzzInput::Word32() {
  std::uint32_t word = 0;
  for (int i = 0; i < 4; ++i) {
    word |= static_cast<std::uint32_t>(Byte()) << (8 * i);
  }
  return word;
}

std::string_view FuzzInput::Field() {
  std::size_t length = Byte();
  length |= static_cast<std::size_t>(Byte()) << 8;
  const auto field = rest_.substr(0, length);
  rest_.remove_prefix(field.size());
  return field;
}

}  // namespace vorundel::fuzz
