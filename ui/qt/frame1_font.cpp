#include "ui/qt/frame1_font.h"

#include <fontconfig/fontconfig.h>

#include <memory>

#include "ui/form1_layout.h"

namespace vorundel::ui {
namespace {

struct PatternDestroy {
  void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDestroy>;

}  // namespace

QString DesktopJapaneseSans() {
  PatternPtr pattern(
      FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif:lang=ja")));
  if (!pattern || !FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern)) {
    return {};
  }
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  PatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
  FcLangSet* languages = nullptr;
  FcChar8* family = nullptr;
  if (!match ||
      FcPatternGetLangSet(match.get(), FC_LANG, 0, &languages) !=
          FcResultMatch ||
      FcLangSetHasLang(languages, reinterpret_cast<const FcChar8*>("ja")) ==
          FcLangDifferentLang ||
      FcPatternGetString(match.get(), FC_FAMILY, 0, &family) != FcResultMatch) {
    return {};
  }
  return QString::fromUtf8(reinterpret_cast<const char*>(family));
}

QFont Frame1Font(double pointSize) {
  QStringList families = {QStringLiteral("ＭＳ Ｐゴシック"),
                          QStringLiteral("MS PGothic"),
                          QStringLiteral("IPAPGothic")};
  const QString fallback = DesktopJapaneseSans();
  if (!fallback.isEmpty()) {
    families.append(fallback);
  }
  QFont font;
  font.setFamilies(families);
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(pointSize);
  font.setBold(true);
  return font;
}

void StyleFrame1(QWidget& frame) {
  frame.setFont(Frame1Font(layout::kFrame1PointSize));
  QPalette palette = frame.palette();
  const QColor darkBlue(layout::kFrame1Red, layout::kFrame1Green,
                        layout::kFrame1Blue);
  // Styles draw the title in one of these two roles.
  palette.setColor(QPalette::WindowText, darkBlue);
  palette.setColor(QPalette::Text, darkBlue);
  frame.setPalette(palette);
}

}  // namespace vorundel::ui
