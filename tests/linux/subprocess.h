// A child process for tests: started from an argument vector (never a
// shell), optionally with its standard input and output on pipes; every
// wait is bounded. Destroying it kills and reaps the child if it still runs.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace vorundel::testing {

using std::chrono::milliseconds;

inline constexpr milliseconds kTimeout{15000};

class Subprocess {
 public:
  struct Options {
    std::vector<std::string> argv;
    // KEY=VALUE entries added to (or replacing in) this process's environment.
    std::vector<std::string> environment;
    std::string directory;  // empty: this process's
    bool pipeStdin = false;
    bool pipeStdout = false;
  };

  explicit Subprocess(const Options& options);
  ~Subprocess();
  Subprocess(const Subprocess&) = delete;
  Subprocess& operator=(const Subprocess&) = delete;

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

  // The next line of standard output without its "\n"; nothing on end of
  // file or timeout.
  std::optional<std::string> ReadLine(milliseconds timeout = kTimeout);
  // Reads until end of file: every holder of the write end has closed it
  // (the child and whatever it started). False on timeout.
  bool WaitForEndOfOutput(milliseconds timeout = kTimeout);
  // Output read but not returned as a line.
  const std::string& pendingOutput() const { return buffer_; }

  void Write(const std::string& text);
  void CloseStdin();
  void Signal(int signal);

  // Exit status, or 128 + signal number; nothing on timeout.
  std::optional<int> Wait(milliseconds timeout = kTimeout);

 private:
  // Reads what is available; false on end of file or timeout.
  bool Fill(std::chrono::steady_clock::time_point deadline);

  pid_t pid_ = -1;
  int pidfd_ = -1;
  int stdin_ = -1;
  int stdout_ = -1;
  bool endOfOutput_ = false;
  std::optional<int> status_;
  std::string buffer_;
};

// Waits for the child to exit (bounded) and returns its status; runs a
// program to its end and collects its output.
struct RunResult {
  std::optional<int> status;
  std::string output;
};
RunResult RunToEnd(const std::vector<std::string>& argv,
                   const std::vector<std::string>& environment = {},
                   milliseconds timeout = kTimeout);

}  // namespace vorundel::testing
