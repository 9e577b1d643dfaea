// Every text the program shows and every message box style it uses.
#pragma once

#include <cstdint>
#include <string_view>

namespace vorundel {

inline constexpr std::u16string_view kAppTitle = u"Vorundel";

inline constexpr std::u16string_view kFrame1Caption =
    u"サスペンドから復帰したときに実行するファイルをDrag＆Dropしてください";
inline constexpr std::u16string_view kCmdSetCaption = u"セット(&S)";
inline constexpr std::u16string_view kCmdCancelCaption = u"キャンセル(&C)";

inline constexpr std::u16string_view kFileMissing = u"ファイルがありません";
inline constexpr std::u16string_view kNotAssociated =
    u"関連付けがされていないファイルです";
inline constexpr std::u16string_view kResumeUndetectable =
    u"サスペンドからの復帰を検知できないため、セットできません";
inline constexpr std::u16string_view kLaunchFailed = u"失敗しました";

inline constexpr std::u16string_view kPromptHead = u"サスペンドから復帰後";
inline constexpr std::u16string_view kPromptTailExecutable = u"を起動します。";
inline constexpr std::u16string_view kPromptTailAssociated =
    u"に指定ファイルを関連付けで起動します。";
inline constexpr std::u16string_view kLineBreak = u"\r\n";

// Message box styles (Windows values) and the answer the core tests for.
inline constexpr std::uint32_t kStyleRefusal = 0x10;       // OK, stop icon
inline constexpr std::uint32_t kStyleLaunchFailed = 0x30;  // OK, exclamation
inline constexpr std::uint32_t kStyleConfirm = 0x41;       // OK/Cancel, info
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerCancel = 2;

inline constexpr int kWindowStateNormal = 0;
inline constexpr int kWindowStateMinimized = 1;

inline constexpr std::uint32_t kAttributeDirectory = 0x10;

}  // namespace vorundel
