// Frame1's caption font: MS PGothic where installed, else its
// metric-compatible IPAPGothic, else the desktop's Japanese sans-serif.
// A wider font cuts the caption off inside the frame.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <QWidget>

namespace vorundel::ui {

// The family fontconfig picks for Japanese sans-serif text, when it
// covers Japanese; empty otherwise.
QString DesktopJapaneseSans();

// Bold, `pointSize`, the families above in order.
QFont Frame1Font(double pointSize);

// Frame1's look: that font at its size, the caption in dark blue.
void StyleFrame1(QWidget& frame);

}  // namespace vorundel::ui
