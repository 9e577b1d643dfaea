// What the end-to-end driver cannot do from X: read Wine's windows, send
// power notifications as the system sends them, make shortcuts and
// read-only keys. One command a line on stdin (tab-separated, UTF-8), one
// answer a line on stdout:
//   look XID          the window of that X id, and its process's boxes (JSON)
//   raise XID         Label1 above Frame1 (see docs/reliability.md)
//   click XID TEXT    clicks (posts) its button, or its box's, of that text
//   power XID PBT...  each sent, answered at once with TRUE: 1, else 0
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
static_assert(vorundel::win32::MessageBoxFlags(0x30, true) == (0x30 | MB_SETFOREGROUND | MB_TOPMOST));
static_assert(vorundel::win32::MessageBoxFlags(0x41, false) == 0x41);

namespace {

std::wstring Wide(const std::string& s) {
  std::wstring w(s.size(), L'\0');
  w.resize(MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), w.data(), int(w.size())));
  return w;
}

BOOL CALLBACK Add(HWND w, LPARAM to) {
  reinterpret_cast<std::vector<HWND>*>(to)->push_back(w);
  return TRUE;
}

// Children in z order, or the top-level windows, all at once: a walk window
// by window would skip those raised meanwhile.
std::vector<HWND> Windows(HWND parent = nullptr) {
  std::vector<HWND> all;
  parent ? EnumChildWindows(parent, &Add, LPARAM(&all)) : EnumWindows(&Add, LPARAM(&all));
  return all;
}

DWORD Process(HWND w) {
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  return pid;
}

// The top-level window of that X window, or of its process and class.
HWND Find(const std::string& xid, const wchar_t* name = nullptr) {
  const auto id = reinterpret_cast<HANDLE>(std::stoull(xid, nullptr, 0));
  HWND form = nullptr;
  wchar_t is[16] = {};
  for (HWND w : Windows()) {
    form = form ? form : GetPropW(w, L"__wine_x11_whole_window") == id ? w : nullptr;
  }
  for (HWND w : Windows()) {
    if (name && form && Process(w) == Process(form) && IsWindowVisible(w) && GetClassNameW(w, is, 16) &&
        std::wstring(is) == name) {
      return w;
    }
  }
  return name ? nullptr : form;
}

// [class, text (\u escapes), screen rectangle, focused, style] of each child.
std::string Controls(HWND parent, HWND focus) {
  std::string out = "[";
  for (HWND c : Windows(parent)) {
    wchar_t name[16] = {}, text[4096] = {};
    char fields[160];
    RECT r;
    GetClassNameW(c, name, 16), GetWindowTextW(c, text, 4096), GetWindowRect(c, &r);
    snprintf(fields, sizeof fields, "%s[\"%ls\",\"", out.size() > 1 ? "," : "", name);
    out += fields;
    for (const wchar_t* t = text; *t; ++t) {
      snprintf(fields, sizeof fields, "\\u%04x", unsigned(*t));
      out += fields;
    }
    snprintf(fields, sizeof fields, "\",[%ld,%ld,%ld,%ld],%s,%ld]", r.left, r.top, r.right - r.left,
             r.bottom - r.top, c == focus ? "true" : "false", GetWindowLongW(c, GWL_STYLE));
    out += fields;
  }
  return out + "]";
}

std::string Look(HWND form, HWND box) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  GetGUIThreadInfo(GetWindowThreadProcessId(form, nullptr), &info);
  RECT c;
  GetClientRect(form, &c);
  MapWindowPoints(form, nullptr, reinterpret_cast<POINT*>(&c), 2);
  char head[128];
  snprintf(head, sizeof head, "{\"active\":%s,\"client\":[%ld,%ld,%ld,%ld],\"controls\":",
           GetForegroundWindow() == form ? "true" : "false", c.left, c.top, c.right - c.left, c.bottom - c.top);
  return head + Controls(form, info.hwndFocus) + ",\"box\":" + (box ? Controls(box, info.hwndFocus) : "null") + "}";
}

HRESULT Link(const std::wstring& link, const std::wstring& target, const std::wstring& arguments) {
  Microsoft::WRL::ComPtr<IShellLinkW> shortcut;
  Microsoft::WRL::ComPtr<IPersistFile> file;
  PIDLIST_ABSOLUTE item = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&shortcut));
  if (SUCCEEDED(hr) && target.starts_with(L"::")) {
    hr = SHParseDisplayName(target.c_str(), nullptr, &item, 0, nullptr);
    hr = SUCCEEDED(hr) ? shortcut->SetIDList(item) : hr;
    ILFree(item);
  } else if (SUCCEEDED(hr)) {
    hr = shortcut->SetPath(target.c_str());
  }
  hr = SUCCEEDED(hr) ? shortcut->SetArguments(arguments.c_str()) : hr;
  hr = SUCCEEDED(hr) ? shortcut.As(&file) : hr;
  return SUCCEEDED(hr) ? file->Save(link.c_str(), TRUE) : hr;
}

bool ReadOnly(const std::wstring& subkey) {
  HKEY key = nullptr;
  PSECURITY_DESCRIPTOR denied = nullptr;
  const bool done =
      RegOpenKeyExW(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + subkey).c_str(), 0, WRITE_DAC, &key) == 0 &&
      ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(D;;0x6;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1,
                                                           &denied, nullptr) &&
      RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, denied) == 0;
  LocalFree(denied);
  RegCloseKey(key);
  return done;
}

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  for (std::string line; std::getline(std::cin, line);) {
    std::vector<std::string> a(1);
    std::istringstream fields(line);
    for (std::string f; std::getline(fields, f, '\t');) {
      a.push_back(f);
    }
    a.resize(std::max<std::size_t>(a.size(), 4));
    const std::string& command = a[1];
    HWND form = command == "link" || command == "readonly" || a[2].empty() ? nullptr : Find(a[2]);
    bool ok = form != nullptr;
    if (command == "look") {
      std::cout << (form ? Look(form, Find(a[2], L"#32770")) : "null") << std::endl;
      continue;
    } else if (command == "raise" && form) {
      HWND label1 = GetWindow(GetWindow(form, GW_CHILD), GW_HWNDLAST);
      ok = SetWindowPos(label1, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    } else if (command == "click" && form) {
      HWND box = Find(a[2], L"#32770"), button = FindWindowExW(form, nullptr, L"Button", Wide(a[3]).c_str());
      button = button ? button : box ? FindWindowExW(box, nullptr, L"Button", Wide(a[3]).c_str()) : nullptr;
      ok = button && PostMessageW(button, BM_CLICK, 0, 0);
    } else if (command == "power") {
      for (std::size_t i = 3; ok && i < a.size() && !a[i].empty(); ++i) {
        DWORD_PTR result = 0;
        ok = SendMessageTimeoutW(form, WM_POWERBROADCAST, std::stoul(a[i]), 0, SMTO_ABORTIFHUNG, 2000, &result) &&
             result == TRUE;
      }
    } else if (command == "link") {
      ok = SUCCEEDED(Link(Wide(a[2]), Wide(a[3]), a.size() > 4 ? Wide(a[4]) : L""));
    } else if (command == "readonly") {
      ok = ReadOnly(Wide(a[2]));
    }
    std::cout << (ok ? "ok" : "error") << std::endl;
  }
  CoUninitialize();
}
