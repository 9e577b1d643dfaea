// A desktop of its own for a test process: temporary XDG data and config
// homes whose only application is the launch recorder (default for
// text/plain), the system's MIME database, no session bus, and a private
// bus standing in for the system bus. Set up before anything uses GIO.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "tests/linux/subprocess.h"

namespace vorundel::testing {

// What one start of the launch recorder saw.
struct LaunchRecord {
  std::string directory;
  std::vector<std::string> arguments;
};

class DesktopSandbox {
 public:
  // Sets this process's environment; children inherit it.
  DesktopSandbox();
  ~DesktopSandbox();

  const std::string& root() const { return root_; }
  // A flatpak installation whose exports are on the data path.
  std::string flatpak() const { return root_ + "/flatpak"; }
  // Where tests put the files they open.
  std::string files() const { return root_ + "/files"; }
  const std::string& busAddress() const { return busAddress_; }

  // Waits until at least `count` launches are recorded, then returns all.
  std::vector<LaunchRecord> WaitForLaunches(std::size_t count,
                                            milliseconds timeout = kTimeout);
  // Deletes the launches recorded so far.
  void ForgetLaunches();
  // The launches recorded so far.
  std::vector<LaunchRecord> Launches() const;

  // Makes org.freedesktop.login1 activatable on the private bus.
  void MakeLogindActivatable();

 private:
  std::string root_;
  std::string busAddress_;
  std::unique_ptr<Subprocess> bus_;
};

// Makes an entry starting the launch recorder with `exec` the default
// application of `mimeType` while it lives; `keys` are more lines of the
// entry, `applications` its folder (empty: the user's). Set up before the
// program under test starts.
class RecorderAssociation {
 public:
  explicit RecorderAssociation(
      const std::string& mimeType,
      const std::string& exec = "vorundel-test-recorder %f",
      const std::string& keys = {},
      const std::string& applications = {});
  ~RecorderAssociation();
  RecorderAssociation(const RecorderAssociation&) = delete;
  RecorderAssociation& operator=(const RecorderAssociation&) = delete;

 private:
  std::string entry_;
  std::string previousDefaults_;
};

// The sandbox of this test process.
DesktopSandbox& Sandbox();

}  // namespace vorundel::testing
