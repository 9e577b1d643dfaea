#include "tests/linux/subprocess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <map>

extern char** environ;

namespace vorundel::testing {
namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

std::vector<std::string> MergedEnvironment(
    const std::vector<std::string>& extra) {
  std::map<std::string, std::string> entries;
  const auto add = [&entries](const std::string& entry) {
    entries[entry.substr(0, entry.find('='))] = entry;
  };
  for (char** e = environ; *e != nullptr; ++e) {
    add(*e);
  }
  for (const auto& e : extra) {
    add(e);
  }
  std::vector<std::string> merged;
  for (const auto& [key, entry] : entries) {
    merged.push_back(entry);
  }
  return merged;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (auto& s : strings) {
    pointers.push_back(s.data());
  }
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

Subprocess::Subprocess(const Options& options) {
  int in[2] = {-1, -1};
  int out[2] = {-1, -1};
  if (options.pipeStdin && pipe2(in, O_CLOEXEC) != 0) {
    return;
  }
  if (options.pipeStdout && pipe2(out, O_CLOEXEC) != 0) {
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (options.pipeStdin) {
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  }
  if (options.pipeStdout) {
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  }
  if (!options.directory.empty()) {
    posix_spawn_file_actions_addchdir_np(&actions, options.directory.c_str());
  }
  std::vector<std::string> argv = options.argv;
  std::vector<std::string> env = MergedEnvironment(options.environment);
  auto argvPointers = Pointers(argv);
  auto envPointers = Pointers(env);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv.front().c_str(), &actions, nullptr,
                   argvPointers.data(), envPointers.data()) == 0) {
    pid_ = pid;
    pidfd_ = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  }
  posix_spawn_file_actions_destroy(&actions);
  if (options.pipeStdin) {
    close(in[0]);
    stdin_ = in[1];
  }
  if (options.pipeStdout) {
    close(out[1]);
    stdout_ = out[0];
  }
}

Subprocess::~Subprocess() {
  CloseStdin();
  if (pid_ > 0 && !status_) {
    kill(pid_, SIGKILL);
    Wait();
  }
  if (stdout_ >= 0) {
    close(stdout_);
  }
  if (pidfd_ >= 0) {
    close(pidfd_);
  }
}

bool Subprocess::Fill(Clock::time_point deadline) {
  if (stdout_ < 0 || endOfOutput_) {
    return false;
  }
  pollfd p{stdout_, POLLIN, 0};
  if (poll(&p, 1, RemainingMs(deadline)) <= 0) {
    return false;
  }
  char chunk[4096];
  const ssize_t n = read(stdout_, chunk, sizeof chunk);
  if (n <= 0) {
    endOfOutput_ = true;
    return false;
  }
  buffer_.append(chunk, static_cast<std::size_t>(n));
  return true;
}

std::optional<std::string> Subprocess::ReadLine(milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    const auto newline = buffer_.find('\n');
    if (newline != std::string::npos) {
      std::string line = buffer_.substr(0, newline);
      buffer_.erase(0, newline + 1);
      return line;
    }
    if (!Fill(deadline)) {
      return std::nullopt;
    }
  }
}

bool Subprocess::WaitForEndOfOutput(milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (Fill(deadline)) {
  }
  return endOfOutput_;
}

void Subprocess::Write(const std::string& text) {
  if (stdin_ >= 0) {
    // The child may be gone already; that shows in what the test expects.
    const ssize_t ignored = write(stdin_, text.data(), text.size());
    (void)ignored;
  }
}

void Subprocess::CloseStdin() {
  if (stdin_ >= 0) {
    close(stdin_);
    stdin_ = -1;
  }
}

void Subprocess::Signal(int signal) {
  if (pid_ > 0 && !status_) {
    kill(pid_, signal);
  }
}

std::optional<int> Subprocess::Wait(milliseconds timeout) {
  if (status_ || pid_ <= 0) {
    return status_;
  }
  pollfd p{pidfd_, POLLIN, 0};
  if (pidfd_ < 0 || poll(&p, 1, static_cast<int>(timeout.count())) <= 0) {
    return std::nullopt;
  }
  int raw = 0;
  if (waitpid(pid_, &raw, 0) != pid_) {
    return std::nullopt;
  }
  status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  return status_;
}

RunResult RunToEnd(const std::vector<std::string>& argv,
                   const std::vector<std::string>& environment,
                   milliseconds timeout) {
  Subprocess child({argv, environment, "", false, true});
  RunResult result;
  if (!child.started()) {
    return result;
  }
  child.WaitForEndOfOutput(timeout);
  result.output = child.pendingOutput();
  result.status = child.Wait(timeout);
  return result;
}

}  // namespace vorundel::testing
