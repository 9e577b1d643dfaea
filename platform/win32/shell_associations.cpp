#include "platform/win32/shell_associations.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <shobjidl.h>
#include <wrl/client.h>

// After objbase.h, which declares what they use.
#include <intshcut.h>
#include <isguids.h>

#include <memory>
#include <string_view>

#include "platform/win32/wide.h"

namespace vorundel::win32 {
namespace {

using Microsoft::WRL::ComPtr;

struct CoTaskMemFreer {
  void operator()(void* memory) const { CoTaskMemFree(memory); }
};

std::optional<std::wstring> AssocString(ASSOCSTR what,
                                        const std::u16string& assoc) {
  DWORD size = 0;
  // Asked for its size first, so a command of any length comes back whole.
  if (AssocQueryStringW(ASSOCF_NOTRUNCATE, what, Wide(assoc), L"open", nullptr,
                        &size) != S_FALSE ||
      size == 0) {
    return std::nullopt;
  }
  std::wstring text(size, L'\0');
  if (AssocQueryStringW(ASSOCF_NOTRUNCATE, what, Wide(assoc), L"open",
                        text.data(), &size) != S_OK) {
    return std::nullopt;
  }
  text.resize(std::wstring_view(text.c_str()).size());
  return text;
}

bool HasShortcutExtension(const std::u16string& path) {
  constexpr std::u16string_view kLnk = u".lnk";
  if (path.size() < kLnk.size()) {
    return false;
  }
  const std::u16string tail = path.substr(path.size() - kLnk.size());
  return CompareStringOrdinal(Wide(tail), -1, L".lnk", -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

std::optional<std::wstring> ExpandEnvironment(const std::wstring& text) {
  const DWORD size = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
  if (size == 0) {
    return std::nullopt;
  }
  std::wstring expanded(size, L'\0');
  const DWORD written =
      ExpandEnvironmentStringsW(text.c_str(), expanded.data(), size);
  if (written == 0 || written > size) {
    return std::nullopt;
  }
  expanded.resize(written - 1);
  return expanded;
}

namespace {

std::optional<std::u16string> CurrentDefault(const wchar_t* query,
                                             ASSOCIATIONTYPE type) {
  ComPtr<IApplicationAssociationRegistration> registration;
  if (FAILED(CoCreateInstance(CLSID_ApplicationAssociationRegistration, nullptr,
                              CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&registration)))) {
    return std::nullopt;
  }
  wchar_t* progId = nullptr;
  const HRESULT result =
      registration->QueryCurrentDefault(query, type, AL_EFFECTIVE, &progId);
  const std::unique_ptr<wchar_t, CoTaskMemFreer> owned(progId);
  if (FAILED(result) || !owned || *owned == L'\0') {
    return std::nullopt;
  }
  return FromWide(std::wstring_view(owned.get()));
}

}  // namespace

std::optional<std::u16string> ShellClassOf(const std::u16string& extension) {
  return CurrentDefault(Wide(extension), AT_FILEEXTENSION);
}

std::optional<std::u16string> UrlClassOf(const std::u16string& path) {
  ComPtr<IUniformResourceLocatorW> locator;
  ComPtr<IPersistFile> file;
  wchar_t* url = nullptr;
  if (FAILED(
          CoCreateInstance(CLSID_InternetShortcut, nullptr,
                           CLSCTX_INPROC_SERVER, IID_IUniformResourceLocatorW,
                           reinterpret_cast<void**>(locator.GetAddressOf()))) ||
      FAILED(locator.As(&file)) || FAILED(file->Load(Wide(path), STGM_READ)) ||
      FAILED(locator->GetURL(&url))) {
    return std::nullopt;
  }
  const std::unique_ptr<wchar_t, CoTaskMemFreer> owned(url);
  const std::wstring_view link = owned ? owned.get() : L"";
  const std::size_t colon = link.find(L':');
  if (colon == 0 || colon == std::wstring_view::npos) {
    return std::nullopt;
  }
  // The scheme's own class when no program was chosen for it.
  const std::wstring scheme(link.substr(0, colon));
  return CurrentDefault(scheme.c_str(), AT_URLPROTOCOL)
      .value_or(FromWide(scheme));
}

std::optional<std::u16string> ShellOpenCommandOf(
    const std::u16string& className) {
  if (const auto command = AssocString(ASSOCSTR_COMMAND, className)) {
    // Machine classes carry REG_EXPAND_SZ commands ("%SystemRoot%\system32")
    // that the shell expands when it runs them.
    return FromWide(ExpandEnvironment(*command).value_or(*command));
  }
  // No command line: the verb is a handler's. The shell still opens the
  // file, so name what it reports as the program.
  auto program = AssocString(ASSOCSTR_EXECUTABLE, className);
  if (!program) {
    program = AssocString(ASSOCSTR_FRIENDLYAPPNAME, className);
  }
  if (!program || program->empty()) {
    return std::nullopt;
  }
  return u"\"" + FromWide(*program) + u"\"";
}

std::optional<std::u16string> ShortcutTargetOf(const std::u16string& path) {
  if (!HasShortcutExtension(path)) {
    return std::nullopt;
  }
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> file;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&link))) ||
      FAILED(link.As(&file)) || FAILED(file->Load(Wide(path), STGM_READ))) {
    return std::nullopt;
  }
  // The target as stored, from the link's item IDs: GetPath stops at
  // MAX_PATH and, in a 32-bit process on 64-bit Windows, answers
  // %ProgramFiles% with the x86 folder.
  PIDLIST_ABSOLUTE ids = nullptr;
  if (FAILED(link->GetIDList(&ids)) || ids == nullptr) {
    return std::u16string();
  }
  const std::unique_ptr<ITEMIDLIST, CoTaskMemFreer> owned(ids);
  std::wstring target(32768, L'\0');
  if (!SHGetPathFromIDListEx(ids, target.data(),
                             static_cast<DWORD>(target.size()),
                             GPFIDL_DEFAULT)) {
    return std::u16string();
  }
  return FromWide(std::wstring_view(target.c_str()));
}

}  // namespace vorundel::win32
