// The reference for start-up and memory: the same widgets, texts, fonts
// and geometry as the real window, and nothing else.
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include "core/texts.h"
#include "ui/form1_layout.h"
#include "ui/qt/frame1_font.h"

namespace {

QRect Pixels(const vorundel::layout::TwipRect& r, int dpi) {
  using vorundel::layout::TwipsToPixels;
  return {TwipsToPixels(r.left, dpi), TwipsToPixels(r.top, dpi),
          TwipsToPixels(r.width, dpi), TwipsToPixels(r.height, dpi)};
}

QString Text(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

int main(int argc, char** argv) {
  namespace layout = vorundel::layout;
  QApplication app(argc, argv);
  QWidget window;
  const int dpi = window.logicalDpiX();
  window.setWindowTitle(Text(vorundel::kAppTitle));
  window.setFixedSize(layout::TwipsToPixels(layout::kClientWidth, dpi),
                      layout::TwipsToPixels(layout::kClientHeight, dpi));
  auto* frame = new QGroupBox(Text(vorundel::kFrame1Caption), &window);
  frame->setGeometry(Pixels(layout::kFrame1, dpi));
  frame->setFont(vorundel::ui::Frame1Font(layout::kFrame1PointSize));
  QPalette palette = frame->palette();
  const QColor darkBlue(layout::kFrame1Red, layout::kFrame1Green,
                        layout::kFrame1Blue);
  palette.setColor(QPalette::WindowText, darkBlue);
  palette.setColor(QPalette::Text, darkBlue);
  frame->setPalette(palette);
  auto* label = new QLabel(frame);
  label->setGeometry(Pixels(layout::kLabel1InFrame1, dpi));
  label->setFrameShape(QFrame::Panel);
  label->setFrameShadow(QFrame::Sunken);
  auto* set = new QPushButton(Text(vorundel::kCmdSetCaption), &window);
  set->setGeometry(Pixels(layout::kCmdSet, dpi));
  auto* cancel = new QPushButton(Text(vorundel::kCmdCancelCaption), &window);
  cancel->setGeometry(Pixels(layout::kCmdCancel, dpi));
  QObject::connect(cancel, &QPushButton::clicked, &app, &QApplication::quit);
  window.show();
  return app.exec();
}
