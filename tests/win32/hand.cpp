// What the end-to-end driver cannot do from X, done inside Wine; and the
// application of the tests' associations.
// With arguments (opened by the shell): writes the folder it was started in
// and each argument, each ended by a NUL (UTF-16), into a file of its own in
// the folder VORUNDEL_RECORD_DIR names; the file appears whole.
// Without: one command a line on stdin (tab-separated, UTF-8), one answer a
// line on stdout ("ok" or "error" unless said):
//   look XID          the window of that X id, and its process's box (JSON)
//   click XID TEXT    posts a click to its button, or its box's, of that text
//   power XID PBT...  each sent as the system sends it, answered with TRUE
//   link LNK TARGET [ARGUMENTS]  a shortcut; TARGET "::..." is a shell item
//   readonly SUBKEY   HKLM\Software\Classes\SUBKEY denied writes for Everyone
#include <windows.h>

#include <sddl.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "ui/win32/message_box_flags.h"

// Wine gives no box WS_EX_TOPMOST: the flags that keep the failure message
// in front on Windows are checked here.
static_assert(vorundel::win32::MessageBoxFlags(0x30, true) ==
              (0x30 | MB_SETFOREGROUND | MB_TOPMOST));
static_assert(vorundel::win32::MessageBoxFlags(0x41, false) == 0x41);

namespace {

std::wstring Wide(const std::string& s) {
  std::wstring w(s.size(), L'\0');
  w.resize(MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), w.data(),
                               int(w.size())));
  return w;
}

int Record(int argc, wchar_t** argv) {
  std::wstring text(32768, L'\0'), name = _wgetenv(L"VORUNDEL_RECORD_DIR");
  text.resize(GetCurrentDirectoryW(32768, text.data()));
  for (int i = 1; i < argc; ++i) {
    text += L'\0' + std::wstring(argv[i]);
  }
  name += L"\\" + std::to_wstring(GetCurrentProcessId());
  FILE* file = _wfopen((name + L".part").c_str(), L"wb");
  const bool ok =
      file && fwrite(text.c_str(), 2, text.size() + 1, file) == text.size() + 1;
  return file && !fclose(file) && ok &&
                 MoveFileW((name + L".part").c_str(), name.c_str())
             ? 0
             : 2;
}

BOOL CALLBACK Add(HWND w, LPARAM to) {
  reinterpret_cast<std::vector<HWND>*>(to)->push_back(w);
  return TRUE;
}

// Children in z order, or the top-level windows, all at once: a walk window
// by window would skip those raised meanwhile.
std::vector<HWND> Windows(HWND parent = nullptr) {
  std::vector<HWND> all;
  parent ? EnumChildWindows(parent, &Add, LPARAM(&all))
         : EnumWindows(&Add, LPARAM(&all));
  return all;
}

// The window of that X window (Wine's property), and its process's box.
std::pair<HWND, HWND> Find(const std::string& xid) {
  HWND form = nullptr, box = nullptr;
  DWORD pid = 0, owner = 0;
  for (HWND w : Windows()) {
    if (GetPropW(w, L"__wine_x11_whole_window") ==
        reinterpret_cast<HANDLE>(std::stoull(xid, nullptr, 0))) {
      GetWindowThreadProcessId(form = w, &pid);
    }
  }
  wchar_t name[8] = {};
  for (HWND w : Windows()) {
    GetWindowThreadProcessId(w, &owner);
    box = pid && owner == pid && IsWindowVisible(w) &&
                  GetClassNameW(w, name, 8) && std::wstring(name) == L"#32770"
              ? w
              : box;
  }
  return {form, box};
}

// [class, text, screen rectangle, focused, style] of each child.
std::string Controls(HWND parent, HWND focus) {
  std::string out;
  for (HWND c : Windows(parent)) {
    wchar_t name[16] = {}, text[4096] = {};
    char part[160];
    RECT r;
    GetClassNameW(c, name, 16), GetWindowTextW(c, text, 4096);
    GetWindowRect(c, &r);
    snprintf(part, sizeof part, ",[\"%ls\",\"", name);
    out += part;
    for (const wchar_t* t = text; *t; ++t) {
      snprintf(part, sizeof part, "\\u%04x", unsigned(*t));
      out += part;
    }
    snprintf(part, sizeof part, "\",[%ld,%ld,%ld,%ld],%d,%ld]", r.left, r.top,
             r.right - r.left, r.bottom - r.top, c == focus,
             GetWindowLongW(c, GWL_STYLE));
    out += part;
  }
  return "[" + out.substr(!out.empty()) + "]";
}

std::string Look(HWND form, HWND box) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  GetGUIThreadInfo(GetWindowThreadProcessId(form, nullptr), &info);
  RECT c;
  GetClientRect(form, &c);
  MapWindowPoints(form, nullptr, reinterpret_cast<POINT*>(&c), 2);
  char head[128];
  const HWND foreground = GetForegroundWindow();
  snprintf(head, sizeof head,
           "{\"active\":%d,\"boxActive\":%d,\"client\":[%ld,%ld,%ld,%ld],",
           foreground == form, box && foreground == box, c.left, c.top,
           c.right - c.left, c.bottom - c.top);
  return head + ("\"controls\":" + Controls(form, info.hwndFocus)) +
         ",\"box\":" + (box ? Controls(box, info.hwndFocus) : "null") + "}";
}

bool Link(const std::vector<std::wstring>& a) {
  Microsoft::WRL::ComPtr<IShellLinkW> link;
  Microsoft::WRL::ComPtr<IPersistFile> file;
  PIDLIST_ABSOLUTE item = nullptr;
  const bool ok =
      SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_PPV_ARGS(&link))) &&
      SUCCEEDED(
          a[3].starts_with(L"::")
              ? SHParseDisplayName(a[3].c_str(), nullptr, &item, 0, nullptr) |
                    link->SetIDList(item)
              : link->SetPath(a[3].c_str())) &&
      SUCCEEDED(link->SetArguments(a[4].c_str())) &&
      SUCCEEDED(link.As(&file)) && SUCCEEDED(file->Save(a[2].c_str(), TRUE));
  ILFree(item);
  return ok;
}

bool ReadOnly(const std::wstring& subkey) {
  HKEY key = nullptr;
  PSECURITY_DESCRIPTOR denied = nullptr;
  const bool ok =
      !RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                     (L"Software\\Classes\\" + subkey).c_str(), 0, WRITE_DAC,
                     &key) &&
      ConvertStringSecurityDescriptorToSecurityDescriptorW(
          L"D:(D;;0x6;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1, &denied, nullptr) &&
      !RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, denied);
  LocalFree(denied);
  RegCloseKey(key);
  return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc > 1) {
    return Record(argc, argv);
  }
  // Rectangles in the screen's pixels, as X gives them, at any DPI.
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  for (std::string line; std::getline(std::cin, line);) {
    std::vector<std::wstring> a(1);
    std::istringstream fields(line);
    for (std::string f; std::getline(fields, f, '\t');) {
      a.push_back(Wide(f));
    }
    a.resize(std::max<std::size_t>(a.size(), 5));
    const std::wstring& command = a[1];
    const auto [form, box] =
        command == L"look" || command == L"click" || command == L"power"
            ? Find(std::string(a[2].begin(), a[2].end()))
            : std::pair<HWND, HWND>();
    bool ok = form != nullptr;
    if (command == L"look") {
      std::cout << (form ? Look(form, box) : "null") << std::endl;
      continue;
    } else if (command == L"click" && form) {
      HWND b = FindWindowExW(form, nullptr, L"Button", a[3].c_str());
      b = b || !box ? b : FindWindowExW(box, nullptr, L"Button", a[3].c_str());
      ok = b && PostMessageW(b, BM_CLICK, 0, 0);
    } else if (command == L"power") {
      for (std::size_t i = 3; ok && i < a.size() && !a[i].empty(); ++i) {
        DWORD_PTR result = 0;
        ok = SendMessageTimeoutW(form, WM_POWERBROADCAST, std::stoul(a[i]), 0,
                                 SMTO_ABORTIFHUNG, 2000, &result) &&
             result == TRUE;
      }
    } else {
      ok = command == L"link" ? Link(a) : ReadOnly(a[2]);
    }
    std::cout << (ok ? "ok" : "error") << std::endl;
  }
  CoUninitialize();
  return 0;
}
