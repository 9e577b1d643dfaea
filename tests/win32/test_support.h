// What the Windows tests share: owned handles, a scratch folder, test
// associations in the prefix's registry, and the opener stand-in.
#pragma once

#include <objbase.h>
#include <windows.h>

#include "platform/win32/win32_services.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

namespace vorundel::testing {

struct HandleCloser {
  void operator()(HANDLE handle) const {
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
      CloseHandle(handle);
    }
  }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// UTF-8 for failure messages.
std::string Utf8(std::wstring_view text);
std::u16string U16(std::wstring_view text);
std::wstring Wide(std::u16string_view text);

// The folder of this test executable (vorundel.exe and the opener are
// built next to it).
std::wstring ExecutableDir();

// A fresh folder under the temporary folder, removed with its contents.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::wstring& path() const { return path_; }
  // Creates `name` in the folder, with a few bytes in it; its full path.
  std::wstring AddFile(const std::wstring& name) const;

 private:
  std::wstring path_;
};

// A key under HKEY_LOCAL_MACHINE\Software\Classes (Wine does not merge the
// user's classes into the classes root); deleted with its subkeys.
class TestClassesKey {
 public:
  explicit TestClassesKey(std::wstring subkey);
  ~TestClassesKey();
  TestClassesKey(const TestClassesKey&) = delete;
  TestClassesKey& operator=(const TestClassesKey&) = delete;
  // Sets `subkey`'s default value (REG_SZ). Without `terminated`, the value
  // is stored without its NUL (and the byte after it is not a NUL either).
  static void SetDefault(const std::wstring& subkey,
                         const std::wstring& value,
                         bool terminated = true);
  // Sets `subkey`'s default value to `bytes` of any type.
  static void SetDefaultRaw(const std::wstring& subkey,
                            DWORD type,
                            const std::string& bytes);

 private:
  std::wstring subkey_;
};

// While it lives, nobody may read the key under
// HKEY_LOCAL_MACHINE\Software\Classes (a deny entry for Everyone, which
// Wine enforces); its access list is put back after.
class DeniedReading {
 public:
  explicit DeniedReading(const std::wstring& subkey);
  ~DeniedReading();
  DeniedReading(const DeniedReading&) = delete;
  DeniedReading& operator=(const DeniedReading&) = delete;

 private:
  HKEY key_ = nullptr;
  std::vector<BYTE> previous_;
};

// The opener stand-in registered for a test extension: each file opened
// through the association is appended to a record and an event is set.
class RecordingOpener {
 public:
  // Associates `.extension` with the stand-in.
  RecordingOpener(const ScratchDir& scratch, const std::wstring& extension);
  // Removes the association, and puts it back.
  void Unregister() const;
  void Register() const;
  // The program path that the association's command line names.
  std::wstring ProgramPath() const;
  // The stand-in's arguments that record `path`.
  std::wstring CommandArguments(const std::wstring& path) const;
  // Waits until the stand-in has run once more; false on timeout.
  bool WaitForOpen(std::chrono::milliseconds timeout) const;
  bool Opened() const { return WaitForOpen(std::chrono::milliseconds(0)); }
  // Every path the stand-in was asked to open, in order.
  std::vector<std::wstring> OpenedPaths() const;

 private:
  std::wstring extension_;
  std::wstring record_;
  std::wstring eventName_;
  UniqueHandle event_;
  TestClassesKey extensionKey_;
  TestClassesKey classKey_;
};

// The OS half as vorundel.exe has it; the window half does nothing here.
class ServicesOnly final : public win32::Win32Services {
 public:
  int ShowMessage(const std::u16string&,
                  std::uint32_t,
                  const std::u16string&) override {
    return 1;
  }
  int WindowState() override { return 1; }
  void MinimizeWindow() override {}
  std::u16string Label1Text() override { return label1; }
  void UnloadForm() override {}
  std::u16string label1;
};

// ShellExecuteW may hand the verb to COM objects.
class ComApartment {
 public:
  ComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ~ComApartment() { CoUninitialize(); }
};

}  // namespace vorundel::testing
