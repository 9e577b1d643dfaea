#include "platform/win32/file_class_open.h"

#include <shellapi.h>

#include <optional>

#include "platform/win32/classes_key.h"
#include "platform/win32/shell_associations.h"
#include "platform/win32/wide.h"

namespace vorundel::win32 {
namespace {

std::optional<std::u16string> DefaultValueOf(const std::u16string& subkey) {
  const auto key = Win32ClassesKey::Open(subkey);
  if (!key) {
    return std::nullopt;
  }
  auto value = key->ReadDefaultValue();
  if (!value || value->empty()) {
    return std::nullopt;
  }
  return value;
}

// ".ext" of the path's last component, or nothing.
std::optional<std::u16string> ExtensionOf(const std::wstring& path) {
  const std::size_t nameStart = path.find_last_of(L"\\/");
  const std::size_t dot = path.rfind(L'.');
  if (dot == std::wstring::npos ||
      (nameStart != std::wstring::npos && dot < nameStart)) {
    return std::nullopt;
  }
  return FromWide(std::wstring_view(path).substr(dot));
}

}  // namespace

bool ShellTakesLiterally(const std::wstring& text) {
  return text.size() < MAX_PATH;
}

INT_PTR OpenThroughFileClass(const std::wstring& path,
                             const std::wstring& directory,
                             HWND owner) {
  const auto extension = ExtensionOf(path);
  // The class the shell itself would use, the user's choice first.
  const auto className = extension ? ShellClassOf(*extension) : std::nullopt;
  // Without an open command the shell would run the file itself.
  if (!className || !DefaultValueOf(*className + u"\\shell\\open\\command")) {
    return SE_ERR_NOASSOC;
  }
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, Wide(*className), 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return SE_ERR_NOASSOC;
  }
  const UniqueHkey classKey(key);

  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_CLASSKEY;
  info.hkeyClass = classKey.get();
  info.hwnd = owner;
  info.lpFile = path.c_str();
  info.lpDirectory = directory.c_str();
  return OpenThroughShell(info);
}

INT_PTR OpenThroughShell(SHELLEXECUTEINFOW& info) {
  info.cbSize = sizeof(info);
  info.fMask |= SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"open";
  info.nShow = SW_SHOWNORMAL;
  // Success is the return value: hInstApp is only promised with
  // SEE_MASK_NOCLOSEPROCESS, and a COM or DDE handler may leave it low.
  if (ShellExecuteExW(&info)) {
    return SE_ERR_DLLNOTFOUND + 1;
  }
  const auto code = reinterpret_cast<INT_PTR>(info.hInstApp);
  return code <= 32 ? code : 0;
}

}  // namespace vorundel::win32
