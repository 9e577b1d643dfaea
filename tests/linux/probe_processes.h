// The two processes of the end-to-end tests: logind's stand-in on the
// private system bus, and the main window in a process of its own
// (form1_probe), both worked over their standard input and output.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "tests/linux/subprocess.h"

namespace vorundel::testing {

class StandIn {
 public:
  StandIn();
  ~StandIn() { Stop(); }

  // Emits PrepareForSleep(sleeping); returns once it has left.
  void Emit(bool sleeping);
  void Stop();

 private:
  Subprocess process_;
};

class Probe {
 public:
  // Started in `directory` (empty: this process's).
  explicit Probe(const std::string& directory = {});

  void Send(const std::string& line) { process_.Write(line + "\n"); }
  std::optional<std::string> Read() { return process_.ReadLine(); }
  // Drops the file at `path` (any bytes) on Label1.
  void Drop(const std::string& path);
  // Label1's text as UTF-8, when it shows as plain text.
  std::optional<std::string> PlainLabel();
  // Presses Set; the state after it, and the message shown on the way.
  std::optional<std::string> Set(std::string* message = nullptr);
  // Drops `path` on Label1 and presses Set.
  std::optional<std::string> Arm(const std::string& path,
                                 std::string* message = nullptr);
  // Ends the probe as closing its window would; its exit status once it
  // and everything it started are gone.
  std::optional<int> Close();
  std::optional<int> Finish();

 private:
  Subprocess process_;
};

// `bytes` as lower-case hex digits.
std::string Hex(const std::string& bytes);

// `text` (no NUL, no lone surrogate) in UTF-8.
std::string Utf8(std::u16string_view text);

// A message box text as the probe prints it.
std::string Printed(std::string_view text);
std::string Printed(std::u16string_view text);

}  // namespace vorundel::testing
