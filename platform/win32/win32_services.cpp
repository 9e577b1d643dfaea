#include "platform/win32/win32_services.h"

#include <windows.h>

#include <shellapi.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "platform/win32/classes_key.h"
#include "platform/win32/file_class_open.h"
#include "platform/win32/shell_associations.h"
#include "platform/win32/wide.h"

namespace vorundel::win32 {

namespace {

// Whether this is a 32-bit process on 64-bit Windows (x64 or ARM64, where
// IsWow64Process answers FALSE for x86 processes).
bool UnderWow64() {
  using Function = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
  const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  const auto isWow64Process2 =
      reinterpret_cast<Function>(reinterpret_cast<void (*)()>(
          GetProcAddress(kernel32, "IsWow64Process2")));
  USHORT process = IMAGE_FILE_MACHINE_UNKNOWN, native = 0;
  BOOL wow64 = FALSE;
  return isWow64Process2 != nullptr
             ? isWow64Process2(GetCurrentProcess(), &process, &native) &&
                   process != IMAGE_FILE_MACHINE_UNKNOWN
             : IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// `path` as the desktop sees it: under WOW64 the system folder's path
// leads to SysWOW64, and the desktop's own is reached as Sysnative.
std::wstring NativeView(const std::u16string& path) {
  static const std::wstring windows = [] {
    std::wstring folder(MAX_PATH, L'\0');
    folder.resize(GetSystemWindowsDirectoryW(folder.data(), MAX_PATH));
    return UnderWow64() && folder.size() < MAX_PATH ? folder : std::wstring();
  }();
  constexpr std::wstring_view kSystem32 = L"\\System32";
  std::wstring view(Wide(path), path.size());
  const std::size_t end = windows.size() + kSystem32.size();
  if (windows.empty() || view.size() < end ||
      (view.size() > end && view[end] != L'\\') ||
      CompareStringOrdinal(view.c_str(), static_cast<int>(end),
                           (windows + kSystem32.data()).c_str(), -1,
                           TRUE) != CSTR_EQUAL) {
    return view;
  }
  return view.replace(0, end, windows + L"\\Sysnative");
}

std::unique_ptr<ClassesKey> Answer(std::optional<std::u16string> value) {
  if (!value) {
    return nullptr;
  }
  return std::make_unique<AnsweredKey>(std::move(*value));
}

}  // namespace

std::unique_ptr<ClassesKey> Win32Services::OpenClassesKey(
    const std::u16string& subkey) {
  constexpr std::u16string_view kOpenCommand = u"\\shell\\open\\command";
  // An internet shortcut is opened by the program of its link's scheme,
  // not by the rundll32 command of the .url class.
  if (subkey == u".url") {
    const std::u16string label = Label1Text();
    if (auto urlClass = UrlClassOf(ShortcutTargetOf(label).value_or(label))) {
      return Answer(std::move(urlClass));
    }
  }
  if (subkey.starts_with(u'.') && subkey.find(u'\\') == std::u16string::npos) {
    return Answer(ShellClassOf(subkey));
  }
  if (subkey.size() > kOpenCommand.size() && subkey.ends_with(kOpenCommand)) {
    return Answer(ShellOpenCommandOf(
        subkey.substr(0, subkey.size() - kOpenCommand.size())));
  }
  return Win32ClassesKey::Open(subkey);
}

std::optional<std::u16string> Win32Services::ShortcutTarget(
    const std::u16string& path) {
  return ShortcutTargetOf(path);
}

std::optional<std::uint32_t> Win32Services::FileAttributes(
    const std::u16string& path) {
  const DWORD attributes = GetFileAttributesW(NativeView(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return std::nullopt;
  }
  return attributes;
}

std::u16string Win32Services::CurrentDirectory() {
  DWORD capacity = GetCurrentDirectoryW(0, nullptr);
  // Another thread may change the directory between the calls.
  for (int attempt = 0; attempt < 3 && capacity != 0; ++attempt) {
    std::wstring buffer(capacity, L'\0');
    const DWORD length = GetCurrentDirectoryW(capacity, buffer.data());
    if (length == 0) {
      break;
    }
    if (length < capacity) {
      return FromWide(buffer.data(), length);
    }
    capacity = length;
  }
  return {};
}

std::int32_t Win32Services::ShellOpen(const std::u16string& path,
                                      const std::u16string& directory) {
  // What was armed is a file: a folder now at its path would open in the
  // file manager instead.
  const auto attributes = FileAttributes(path);
  if (!attributes || (*attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return SE_ERR_FNF;
  }
  const std::wstring file(Wide(path), path.size());
  const std::wstring folder(Wide(directory), directory.size());
  SHELLEXECUTEINFOW info{};
  info.hwnd = OwnerWindow();
  info.lpFile = file.c_str();
  info.lpDirectory = folder.c_str();
  return static_cast<std::int32_t>(
      ShellTakesLiterally(file) && ShellTakesLiterally(folder)
          ? OpenThroughShell(info)
          : OpenThroughFileClass(file, folder, info.hwnd));
}

}  // namespace vorundel::win32
