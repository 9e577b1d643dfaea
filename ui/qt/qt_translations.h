// Qt's own texts (the message boxes' standard buttons) in the user's
// language, from the translations Qt ships (Debian: qt6-translations-l10n).
// Our own texts are not translated.
#pragma once

#include <QLocale>
#include <QTranslator>

namespace vorundel::ui {

// Loads qtbase's translation for the locale into the translator and
// installs it in the application; without one Qt's English texts stay.
void InstallQtTranslations(QTranslator& translator, const QLocale& locale);

}  // namespace vorundel::ui
