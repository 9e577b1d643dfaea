// Message boxes from Windows-style styles: MB_OK (0) or MB_OKCANCEL (1)
// with MB_ICONHAND (0x10), MB_ICONQUESTION (0x20), MB_ICONEXCLAMATION
// (0x30) or MB_ICONASTERISK (0x40).
#pragma once

#include <QMessageBox>
#include <QString>
#include <cstdint>

namespace vorundel::ui {

// Sets text (plain, CR LF as line breaks), caption, icon and buttons.
void ConfigureMessageBox(QMessageBox& box,
                         const QString& text,
                         std::uint32_t style,
                         const QString& caption);

// 1 for OK; 2 for Cancel and for a box closed without a choice.
int AnswerOf(QMessageBox::StandardButton button);

}  // namespace vorundel::ui
