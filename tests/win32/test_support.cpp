#include "tests/win32/test_support.h"

#include <gtest/gtest.h>

#include <atomic>

namespace vorundel::testing {

std::string Utf8(std::wstring_view text) {
  if (text.empty()) {
    return {};
  }
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(),
                                       static_cast<int>(text.size()), nullptr,
                                       0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                      out.data(), size, nullptr, nullptr);
  return out;
}

std::u16string U16(std::wstring_view text) {
  return std::u16string(text.begin(), text.end());
}

std::wstring Wide(std::u16string_view text) {
  return std::wstring(text.begin(), text.end());
}

std::wstring ExecutableDir() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(),
                                            static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return path.substr(0, path.find_last_of(L'\\'));
}

ScratchDir::ScratchDir() {
  static std::atomic<int> counter{0};
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  // Wine gives the same process ids on every run: the tick count keeps a
  // folder left by a killed run from being taken again.
  path_ = std::wstring(temp) + L"vorundel-test-" +
          std::to_wstring(GetCurrentProcessId()) + L"-" +
          std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(counter++);
  EXPECT_TRUE(CreateDirectoryW(path_.c_str(), nullptr)) << Utf8(path_);
}

namespace {

// Deletes `folder` and everything in it, at any path length.
void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW entry;
  const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") {
        continue;
      }
      const std::wstring path = folder + L"\\" + name;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

}  // namespace

ScratchDir::~ScratchDir() {
  RemoveTree(L"\\\\?\\" + path_);
}

std::wstring ScratchDir::AddFile(const std::wstring& name) const {
  const std::wstring path = path_ + L"\\" + name;
  const UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                      nullptr));
  EXPECT_NE(file.get(), INVALID_HANDLE_VALUE) << Utf8(path);
  DWORD written = 0;
  WriteFile(file.get(), "test", 4, &written, nullptr);
  return path;
}

namespace {

const std::wstring kClassesRoot = L"Software\\Classes\\";

}  // namespace

TestClassesKey::TestClassesKey(std::wstring subkey)
    : subkey_(std::move(subkey)) {
  HKEY key = nullptr;
  EXPECT_EQ(
      RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kClassesRoot + subkey_).c_str(), 0,
                      nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
      ERROR_SUCCESS)
      << Utf8(subkey_);
  RegCloseKey(key);
}

TestClassesKey::~TestClassesKey() {
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kClassesRoot + subkey_).c_str());
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, (kClassesRoot + subkey_).c_str());
}

void TestClassesKey::SetDefault(const std::wstring& subkey,
                                const std::wstring& value,
                                bool terminated) {
  HKEY key = nullptr;
  ASSERT_EQ(
      RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kClassesRoot + subkey).c_str(), 0,
                      nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
      ERROR_SUCCESS);
  // The registry adds a NUL that the caller left out when the next
  // character in memory is one: put something else there.
  const std::wstring data = terminated ? value : value + L"X";
  const std::size_t units = terminated ? value.size() + 1 : value.size();
  EXPECT_EQ(RegSetValueExW(key, nullptr, 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(data.c_str()),
                           static_cast<DWORD>(units * sizeof(wchar_t))),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

void TestClassesKey::SetDefaultRaw(const std::wstring& subkey,
                                   DWORD type,
                                   const std::string& bytes) {
  HKEY key = nullptr;
  ASSERT_EQ(
      RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kClassesRoot + subkey).c_str(), 0,
                      nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
      ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExW(key, nullptr, 0, type,
                           reinterpret_cast<const BYTE*>(bytes.data()),
                           static_cast<DWORD>(bytes.size())),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

DeniedReading::DeniedReading(const std::wstring& subkey) {
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, (kClassesRoot + subkey).c_str(), 0,
                    READ_CONTROL | WRITE_DAC, &key_) != ERROR_SUCCESS) {
    ADD_FAILURE() << "cannot open " << Utf8(subkey);
    key_ = nullptr;
    return;
  }
  DWORD size = 0;
  RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, nullptr, &size);
  previous_.resize(size);
  if (RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, previous_.data(),
                        &size) != ERROR_SUCCESS) {
    previous_.clear();
  }
  // Deny reading to Everyone (S-1-1-0), grant the rest.
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0,
                                0, &everyone)) {
    ADD_FAILURE() << "no SID for Everyone";
    return;
  }
  const DWORD aclSize = sizeof(ACL) + sizeof(ACCESS_DENIED_ACE) +
                        sizeof(ACCESS_ALLOWED_ACE) + 2 * GetLengthSid(everyone);
  std::vector<BYTE> aclBytes(aclSize);
  auto* acl = reinterpret_cast<ACL*>(aclBytes.data());
  InitializeAcl(acl, aclSize, ACL_REVISION);
  AddAccessDeniedAce(acl, ACL_REVISION, KEY_READ, everyone);
  AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, everyone);
  SECURITY_DESCRIPTOR descriptor;
  InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
  EXPECT_EQ(RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, &descriptor),
            ERROR_SUCCESS);
  FreeSid(everyone);
}

DeniedReading::~DeniedReading() {
  if (key_ == nullptr) {
    return;
  }
  if (!previous_.empty()) {
    RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, previous_.data());
  }
  RegCloseKey(key_);
}

namespace {

std::wstring Quoted(const std::wstring& text) {
  return L"\"" + text + L"\"";
}

}  // namespace

RecordingOpener::RecordingOpener(const ScratchDir& scratch,
                                 const std::wstring& extension)
    : extension_(extension),
      record_(scratch.path() + L"\\opened.txt"),
      eventName_(L"Local\\VorundelTestOpened-" +
                 std::to_wstring(GetCurrentProcessId()) + L"-" + extension),
      event_(CreateEventW(nullptr, FALSE, FALSE, eventName_.c_str())),
      extensionKey_(L"." + extension),
      classKey_(L"Vorundel.Test." + extension) {
  Register();
}

void RecordingOpener::Register() const {
  TestClassesKey::SetDefault(L"." + extension_, L"Vorundel.Test." + extension_);
  TestClassesKey::SetDefault(
      L"Vorundel.Test." + extension_ + L"\\shell\\open\\command",
      Quoted(ProgramPath()) + L" " + CommandArguments(L"%1"));
}

std::wstring RecordingOpener::CommandArguments(const std::wstring& path) const {
  return Quoted(record_) + L" " + Quoted(eventName_) + L" " + Quoted(path);
}

void RecordingOpener::Unregister() const {
  for (const std::wstring& subkey :
       {L"." + extension_, L"Vorundel.Test." + extension_}) {
    const std::wstring path = kClassesRoot + subkey;
    EXPECT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, path.c_str()), ERROR_SUCCESS);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str());
  }
}

std::wstring RecordingOpener::ProgramPath() const {
  return ExecutableDir() + L"\\vorundel_test_opener.exe";
}

bool RecordingOpener::WaitForOpen(std::chrono::milliseconds timeout) const {
  return WaitForSingleObject(event_.get(),
                             static_cast<DWORD>(timeout.count())) ==
         WAIT_OBJECT_0;
}

std::vector<std::wstring> RecordingOpener::OpenedPaths() const {
  std::vector<std::wstring> paths;
  const UniqueHandle file(CreateFileW(record_.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) {
    return paths;
  }
  std::wstring content(GetFileSize(file.get(), nullptr) / sizeof(wchar_t),
                       L'\0');
  DWORD read = 0;
  ReadFile(file.get(), content.data(),
           static_cast<DWORD>(content.size() * sizeof(wchar_t)), &read,
           nullptr);
  std::size_t start = 0;
  for (std::size_t end; (end = content.find(L'\n', start)) != content.npos;
       start = end + 1) {
    paths.push_back(content.substr(start, end - start));
  }
  return paths;
}

}  // namespace vorundel::testing
