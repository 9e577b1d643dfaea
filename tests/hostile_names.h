// File names that must reach the desktop exactly as they are, used by the
// end-to-end tests of both desktops. Each test appends its own extension
// (one its sandbox associates with the recording helper) to the stem.
#pragma once

#include <string_view>

namespace vorundel::testing {

struct HostileName {
  const char* what;
  std::u16string_view stem;
  bool onLinux;
  bool onWindows;  // Windows forbids  < > : " / \ | ? *  in names
};

inline constexpr HostileName kHostileNames[] = {
    {"spaces at both ends", u"  both ends  ", true, true},
    {"command substitution", u"a $(touch pwned) b", true, true},
    {"backticks", u"`touch pwned`", true, true},
    {"semicolon", u"x; touch pwned", true, true},
    {"pipe", u"x | touch pwned", true, false},
    {"ampersand", u"x & touch pwned &", true, true},
    {"markup", u"<b>x</b>", true, false},
    {"markup-like", u"&lt;b&gt;x", true, true},
    {"placeholder", u"%1", true, true},
    {"environment variable", u"%PATH%", true, true},
    {"leading dash", u"-rf --help", true, true},
    {"newline", u"line\nbreak", true, false},
    {"double quote", u"say \"hi\"", true, false},
    {"single quotes", u"it's 'quoted'", true, true},
    {"emoji", u"\U0001F600 smile", true, true},
    {"Hangul", u"\uD55C\uAE00 \uD30C\uC77C", true, true},
    {"snowman", u"\u2603", true, true},
    {"Japanese", u"日本語のファイル", true, true},
};

// Names longer than the usual limits are made by each desktop's test: a
// path over 260 characters on Windows, a name of 255 bytes on Linux.

}  // namespace vorundel::testing
