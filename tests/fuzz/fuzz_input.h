// Reads a fuzz input as a sequence of small fields. Every byte string is a
// valid input: a field that runs past the end is cut short, and a missing
// field reads as empty or zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorundel::fuzz {

// Text from bytes: UTF-8 where the bytes are valid UTF-8, any other byte
// as the unit of the same value, and 0x01 followed by two bytes as that
// raw little-endian unit (so NULs and lone surrogates are reachable).
// Seed files stay readable.
std::u16string DecodeText(std::string_view bytes);

// Raw bytes as little-endian UTF-16 units, the way a registry value of
// any type reaches the program; an odd last byte is a unit of its own.
std::u16string DecodeUnits(std::string_view bytes);

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size)
      : rest_(reinterpret_cast<const char*>(data), size) {}

  std::uint8_t Byte();
  std::uint32_t Word32();
  // A field of up to 65535 bytes, its length in two bytes little-endian.
  std::string_view Field();
  std::u16string TextField() { return DecodeText(Field()); }
  std::u16string UnitsField() { return DecodeUnits(Field()); }
  bool empty() const { return rest_.empty(); }

 private:
  std::string_view rest_;
};

}  // namespace vorundel::fuzz
