#include "ui/qt/message_box.h"

namespace vorundel::ui {
namespace {

constexpr std::uint32_t kButtonsMask = 0x0F;
constexpr std::uint32_t kOkCancel = 0x01;
constexpr std::uint32_t kIconMask = 0xF0;

QMessageBox::Icon IconOf(std::uint32_t style) {
  switch (style & kIconMask) {
    case 0x10:
      return QMessageBox::Critical;
    case 0x20:
      return QMessageBox::Question;
    case 0x30:
      return QMessageBox::Warning;
    case 0x40:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

}  // namespace

void ConfigureMessageBox(QMessageBox& box,
                         const QString& text,
                         std::uint32_t style,
                         const QString& caption) {
  box.setWindowTitle(caption);
  // Paths are shown as they are: no markup.
  box.setTextFormat(Qt::PlainText);
  box.setText(
      QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  box.setIcon(IconOf(style));
  if ((style & kButtonsMask) == kOkCancel) {
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    box.setEscapeButton(QMessageBox::Cancel);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
  }
  box.setDefaultButton(QMessageBox::Ok);
}

int AnswerOf(QMessageBox::StandardButton button) {
  return button == QMessageBox::Ok ? 1 : 2;
}

}  // namespace vorundel::ui
