// What the end-to-end driver cannot do from X: read Wine's windows, send
// power notifications as the system sends them, make shortcuts and
// read-only keys. One command a line on stdin (tab-separated, UTF-8), one
// answer a line on stdout:
//   look XID          the window of that X id and its process's boxes (JSON)
//   raise XID         Label1 above Frame1 (see docs/reliability.md)
//   click XID TEXT    clicks (posts) its button, or its box's, of that text
//   power XID PBT...  each sent, answered at once with TRUE: 1, else 0
//   link LNK TARGET [ARGUMENTS]  a shortcut; TARGET "::..." is a shell item
//   readonly SUBKEY   HKLM\Software\Classes\SUBKEY denied writes for Everyone
#include <windows.h>

#include <sddl.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <iostream>
#include <memory>
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

std::string Json(const std::wstring& w) {
  std::string out = "\"";
  for (wchar_t c : w) {
    if (c == L'"' || c == L'\\' || c < 0x20) {
      char escaped[8];
      snprintf(escaped, sizeof escaped, "\\u%04x", unsigned(c));
      out += escaped;
    } else {
      char bytes[4];
      out.append(bytes, WideCharToMultiByte(CP_UTF8, 0, &c, 1, bytes, 4, nullptr, nullptr));
    }
  }
  return out + "\"";
}

std::wstring Text(HWND w) {
  std::wstring text(GetWindowTextLengthW(w) + 1, L'\0');
  text.resize(GetWindowTextW(w, text.data(), int(text.size())));
  return text;
}

std::string Rect(HWND w) {
  RECT r;
  GetWindowRect(w, &r);
  return "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
         std::to_string(r.right - r.left) + "," + std::to_string(r.bottom - r.top) + "]";
}

// The top-level windows, all at once: a walk window by window would skip
// those raised meanwhile.
BOOL CALLBACK Add(HWND w, LPARAM to) {
  reinterpret_cast<std::vector<HWND>*>(to)->push_back(w);
  return TRUE;
}

std::vector<HWND> Tops() {
  std::vector<HWND> tops;
  EnumWindows(&Add, reinterpret_cast<LPARAM>(&tops));
  return tops;
}

HWND Form(const std::string& xid) {
  const auto id = reinterpret_cast<HANDLE>(std::stoull(xid, nullptr, 0));
  for (HWND w : Tops()) {
    if (GetPropW(w, L"__wine_x11_whole_window") == id) {
      return w;
    }
  }
  return nullptr;
}

// Controls in z order: class, text, screen rectangle, focused, style.
std::string Controls(HWND parent, HWND focus) {
  std::string out = "[";
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    wchar_t name[64] = {};
    GetClassNameW(c, name, 64);
    out += (out.size() > 1 ? "," : "") + std::string("[") + Json(name) + "," + Json(Text(c)) +
           "," + Rect(c) + "," + (c == focus ? "true" : "false") + "," +
           std::to_string(GetWindowLongW(c, GWL_STYLE)) + "]";
  }
  return out + "]";
}

std::string Look(HWND form) {
  DWORD pid = 0;
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  GetGUIThreadInfo(GetWindowThreadProcessId(form, &pid), &info);
  RECT client;
  GetClientRect(form, &client);
  MapWindowPoints(form, nullptr, reinterpret_cast<POINT*>(&client), 2);
  std::string out = "{\"active\":" + std::string(GetForegroundWindow() == form ? "true" : "false") +
                    ",\"client\":[" + std::to_string(client.left) + "," + std::to_string(client.top) + "," +
                    std::to_string(client.right - client.left) + "," + std::to_string(client.bottom - client.top) +
                    "],\"controls\":" + Controls(form, info.hwndFocus) + ",\"boxes\":[";
  int boxes = 0;
  for (HWND w : Tops()) {
    DWORD owner = 0;
    wchar_t name[8] = {};
    GetWindowThreadProcessId(w, &owner);
    if (owner == pid && IsWindowVisible(w) && GetClassNameW(w, name, 8) && std::wstring(name) == L"#32770") {
      out += (boxes++ ? ",{" : "{") + std::string("\"controls\":") + Controls(w, info.hwndFocus) + "}";
    }
  }
  return out + "]}";
}

std::string Link(const std::wstring& link, const std::wstring& target, const std::wstring& arguments) {
  Microsoft::WRL::ComPtr<IShellLinkW> shortcut;
  Microsoft::WRL::ComPtr<IPersistFile> file;
  HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&shortcut));
  if (SUCCEEDED(hr) && target.starts_with(L"::")) {
    PIDLIST_ABSOLUTE id = nullptr;
    hr = SHParseDisplayName(target.c_str(), nullptr, &id, 0, nullptr);
    hr = SUCCEEDED(hr) ? shortcut->SetIDList(id) : hr;
    ILFree(id);
  } else if (SUCCEEDED(hr)) {
    hr = shortcut->SetPath(target.c_str());
  }
  hr = SUCCEEDED(hr) ? shortcut->SetArguments(arguments.c_str()) : hr;
  hr = SUCCEEDED(hr) ? shortcut.As(&file) : hr;
  hr = SUCCEEDED(hr) ? file->Save(link.c_str(), TRUE) : hr;
  return SUCCEEDED(hr) ? "ok" : "error " + std::to_string(hr);
}

std::string ReadOnly(const std::wstring& subkey) {
  HKEY key = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + subkey).c_str(), 0, WRITE_DAC, &key) ||
      !ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(D;;0x6;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1,
                                                            &descriptor, nullptr)) {
    return "error";
  }
  const LSTATUS status = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
  LocalFree(descriptor);
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? "ok" : "error";
}

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  for (std::string line; std::getline(std::cin, line);) {
    std::vector<std::string> a;
    std::istringstream fields(line);
    for (std::string f; std::getline(fields, f, '\t');) {
      a.push_back(f);
    }
    std::string answer = "error";
    HWND form = a.size() > 1 && a[0] != "link" && a[0] != "readonly" ? Form(a[1]) : nullptr;
    if (a.empty()) {
      continue;
    }
    if (a[0] == "look") {
      answer = form ? Look(form) : "null";
    } else if (a[0] == "raise" && form) {
      HWND label1 = GetWindow(GetWindow(form, GW_CHILD), GW_HWNDLAST);
      answer = SetWindowPos(label1, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE) ? "ok" : answer;
    } else if (a[0] == "power" && form) {
      answer = "1";
      for (std::size_t i = 2; i < a.size(); ++i) {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(form, WM_POWERBROADCAST, std::stoul(a[i]), 0, SMTO_ABORTIFHUNG, 2000, &result) ||
            result != TRUE) {
          answer = "0";
        }
      }
    } else if (a[0] == "click" && form && a.size() == 3) {
      DWORD pid = 0;
      GetWindowThreadProcessId(form, &pid);
      for (HWND w : Tops()) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        HWND button = owner == pid ? FindWindowExW(w, nullptr, L"Button", Wide(a[2]).c_str()) : nullptr;
        answer = button && PostMessageW(button, BM_CLICK, 0, 0) ? "ok" : answer;
      }
    } else if (a[0] == "link" && a.size() >= 3) {
      answer = Link(Wide(a[1]), Wide(a[2]), a.size() > 3 ? Wide(a[3]) : L"");
    } else if (a[0] == "readonly" && a.size() == 2) {
      answer = ReadOnly(Wide(a[1]));
    }
    std::cout << answer << std::endl;
  }
  CoUninitialize();
}
