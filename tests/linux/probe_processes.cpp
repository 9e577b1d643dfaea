#include "tests/linux/probe_processes.h"

#include <glib.h>
#include <gtest/gtest.h>

namespace vorundel::testing {
namespace {

std::optional<std::string> FromHex(const std::string& hex) {
  if (hex.size() % 2 != 0) {
    return std::nullopt;
  }
  std::string bytes;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const std::string pair = hex.substr(i, 2);
    if (pair.find_first_not_of("0123456789abcdef") != std::string::npos) {
      return std::nullopt;
    }
    bytes += static_cast<char>(std::stoi(pair, nullptr, 16));
  }
  return bytes;
}

}  // namespace

std::string Hex(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const unsigned char c : bytes) {
    hex += kDigits[c >> 4];
    hex += kDigits[c & 0xF];
  }
  return hex;
}

std::string Utf8(std::u16string_view text) {
  g_autofree gchar* utf8 = g_utf16_to_utf8(
      reinterpret_cast<const gunichar2*>(text.data()),
      static_cast<glong>(text.size()), nullptr, nullptr, nullptr);
  return utf8 ? utf8 : "";
}

std::string Printed(std::string_view text) {
  std::string printed;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.substr(i, 2) == "\r\n") {
      ++i;
    }
    if (text[i] == '\n') {
      printed += "\\n";
    } else {
      printed += text[i];
    }
  }
  return printed;
}

std::string Printed(std::u16string_view text) {
  return Printed(Utf8(text));
}

StandIn::StandIn() : process_({{VORUNDEL_STANDIN_PATH}, {}, "", true, true}) {
  EXPECT_EQ(process_.ReadLine(), "ready");
}

void StandIn::Emit(bool sleeping) {
  process_.Write(sleeping ? "true\n" : "false\n");
  const auto sent = process_.ReadLine();
  EXPECT_TRUE(sent && sent->rfind("sent ", 0) == 0) << sent.value_or("");
}

void StandIn::Stop() {
  process_.CloseStdin();
  EXPECT_EQ(process_.Wait(), 0);
}

Probe::Probe(const std::string& directory)
    : process_({{VORUNDEL_PROBE_PATH},
                {"QT_QPA_PLATFORM=offscreen"},
                directory,
                true,
                true}) {
  EXPECT_EQ(process_.ReadLine(), "ready");
}

void Probe::Drop(const std::string& path) {
  Send("drop-hex " + Hex(path));
}

std::optional<std::string> Probe::PlainLabel() {
  Send("label");
  const auto line = Read();
  const std::string prefix = "label plain ";
  if (!line || line->rfind(prefix, 0) != 0) {
    ADD_FAILURE() << "Label1 does not show plain text: "
                  << line.value_or("(nothing)");
    return std::nullopt;
  }
  return FromHex(line->substr(prefix.size()));
}

std::optional<std::string> Probe::Arm(const std::string& path,
                                      std::string* message) {
  Drop(path);
  return Set(message);
}

std::optional<std::string> Probe::Set(std::string* message) {
  Send("set");
  auto line = Read();
  if (line && line->rfind("message ", 0) == 0) {
    if (message) {
      *message = line->substr(8);
    }
    line = Read();
  }
  return line;
}

std::optional<int> Probe::Close() {
  process_.CloseStdin();
  return Finish();
}

std::optional<int> Probe::Finish() {
  // The launched application inherits the output pipe, so end of output
  // means the launch, if any, is complete.
  EXPECT_TRUE(process_.WaitForEndOfOutput());
  return process_.Wait();
}

}  // namespace vorundel::testing
