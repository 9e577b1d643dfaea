#include "ui/qt/form1.h"

#include <malloc.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "core/form1_logic.h"
#include "core/texts.h"
#include "platform/linux/utf.h"
#include "ui/form1_layout.h"
#include "ui/qt/frame1_font.h"
#include "ui/qt/message_box.h"
#include "ui/qt/window_platform.h"

namespace vorundel::ui {
namespace {

QString Text(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// The one local file a drag carries, or nothing. From the URI list's own
// bytes: a name that is no UTF-8 is percent-encoded there exactly, where
// QUrl would make U+FFFD of it.
std::optional<std::u16string> SingleLocalFile(const QMimeData* data) {
  const QString kUriList = QStringLiteral("text/uri-list");
  if (data == nullptr || !data->hasFormat(kUriList)) {
    return std::nullopt;
  }
  const QByteArray uris = data->data(kUriList);
  return linux_desktop::FileOfUriList(std::string_view(
      uris.constData(), static_cast<std::size_t>(uris.size())));
}

// Whether the window manager has the window iconic, from its WM_STATE on
// the server. Qt's own state misses a restore that comes before Qt has read
// the minimize: it keeps the state our minimize gave it, on screen or not.
bool Iconic(const QWidget& window) {
  const auto* x11 =
      qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr) {
    return window.isMinimized();
  }
  xcb_connection_t* x = x11->connection();
  const auto free = [](void* p) { std::free(p); };
  const std::unique_ptr<xcb_intern_atom_reply_t, decltype(free)> atom(
      xcb_intern_atom_reply(x, xcb_intern_atom(x, 1, 8, "WM_STATE"), nullptr),
      free);
  if (!atom) {
    return false;
  }
  const std::unique_ptr<xcb_get_property_reply_t, decltype(free)> state(
      xcb_get_property_reply(
          x,
          xcb_get_property(x, 0, static_cast<xcb_window_t>(window.winId()),
                           atom->atom, atom->atom, 0, 1),
          nullptr),
      free);
  constexpr std::uint32_t kIconicState = 3;
  return state && xcb_get_property_value_length(state.get()) >= 4 &&
         *static_cast<const std::uint32_t*>(
             xcb_get_property_value(state.get())) == kIconicState;
}

bool WindowStateIsReported() {
  return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

}  // namespace

Form1::Form1() : minimized_(WindowStateIsReported()) {
  setWindowTitle(Text(kAppTitle));

  // Twips scaled with the screen's logical DPI: 15 twips a pixel at 96.
  const int dpi = logicalDpiX();
  const auto px = [dpi](int twips) {
    return layout::TwipsToPixels(twips, dpi);
  };
  const auto place = [&px](QWidget* widget, const layout::TwipRect& r) {
    widget->setGeometry(px(r.left), px(r.top), px(r.width), px(r.height));
  };
  setFixedSize(px(layout::kClientWidth), px(layout::kClientHeight));

  const QFont applicationFont = QApplication::font();
  const QPalette applicationPalette = QApplication::palette();

  Frame1 = new QGroupBox(Text(kFrame1Caption), this);
  Frame1->setObjectName(QStringLiteral("Frame1"));
  StyleFrame1(*Frame1);
  place(Frame1, layout::kFrame1);

  // Label1 reads as an entry field and shows the path literally.
  Label1 = new QLabel(Frame1);
  Label1->setObjectName(QStringLiteral("Label1"));
  QFont labelFont = applicationFont;
  labelFont.setResolveMask(QFont::AllPropertiesResolved);
  Label1->setFont(labelFont);
  QPalette labelPalette = Label1->palette();
  for (const auto role : {QPalette::Window, QPalette::Base,
                          QPalette::WindowText, QPalette::Text}) {
    labelPalette.setColor(role, applicationPalette.color(role));
  }
  Label1->setPalette(labelPalette);
  Label1->setBackgroundRole(QPalette::Base);
  Label1->setForegroundRole(QPalette::Text);
  Label1->setAutoFillBackground(true);
  Label1->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
  Label1->setTextFormat(Qt::PlainText);
  Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  Label1->setAcceptDrops(true);
  Label1->installEventFilter(this);
  place(Label1, layout::kLabel1InFrame1);

  cmdSet = new QPushButton(Text(kCmdSetCaption), this);
  cmdSet->setObjectName(QStringLiteral("cmdSet"));
  place(cmdSet, layout::kCmdSet);
  connect(cmdSet, &QPushButton::clicked, this, [this] { cmdSet_Click(); });

  cmdCancel = new QPushButton(Text(kCmdCancelCaption), this);
  cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
  place(cmdCancel, layout::kCmdCancel);
  connect(cmdCancel, &QPushButton::clicked, this,
          [this] { cmdCancel_Click(); });

  setTabOrder(Frame1, cmdCancel);
  setTabOrder(cmdCancel, cmdSet);
  setTabOrder(cmdSet, Label1);
  cmdCancel->setFocus();

  platform_ = std::make_unique<WindowPlatform>(
      *this, static_cast<linux_desktop::PowerObserver&>(*this));
  logic_ = std::make_unique<Form1Logic>(*platform_);
}

Form1::~Form1() = default;

void Form1::cmdSet_Click() {
  logic_->cmdSet_Click();
}

void Form1::cmdCancel_Click() {
  UnloadForm();
}

void Form1::SysInfo1_PowerResume() {
  logic_->SysInfo1_PowerResume();
}

void Form1::SysInfo1_PowerSuspend() {
  logic_->SysInfo1_PowerSuspend();
}

int Form1::ShowMessage(const QString& text,
                       std::uint32_t style,
                       const QString& caption) {
  // A box owned by a minimized window would stay hidden with it, so then it
  // stands alone, on top, and comes to the front itself.
  const bool toFront = WindowState() == kWindowStateMinimized;
  QMessageBox box(toFront ? nullptr : this);
  // A prompt that names the file names it as Label1 shows it.
  QString shown = text;
  if (label1Path_ != Label1->text()) {
    shown.replace(label1Path_, Label1->text());
  }
  ConfigureMessageBox(box, shown, style, caption);
  if (toFront) {
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.show();
    box.raise();
    box.activateWindow();
  }
  return AnswerOf(ExecMessageBox(box));
}

QMessageBox::StandardButton Form1::ExecMessageBox(QMessageBox& box) {
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

int Form1::WindowState() const {
  return minimized_.IsMinimized(Iconic(*this)) ? kWindowStateMinimized
                                               : kWindowStateNormal;
}

void Form1::MinimizeWindow() {
  minimized_.Minimizing();
  showMinimized();
  // Set's association lookup leaves freed memory behind in the heap; give
  // it back while the program waits, maybe for hours.
  malloc_trim(0);
}

QString Form1::Label1Text() const {
  return label1Path_;
}

void Form1::UnloadForm() {
  close();
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Label1) {
    switch (event->type()) {
      case QEvent::DragEnter:
      case QEvent::DragMove:
        Label1_OLEDragOver(static_cast<QDragMoveEvent*>(event));
        return true;
      case QEvent::Drop:
        Label1_OLEDragDrop(static_cast<QDropEvent*>(event));
        return true;
      default:
        break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void Form1::Label1_OLEDragOver(QDragMoveEvent* Data) {
  if (SingleLocalFile(Data->mimeData())) {
    Data->setDropAction(Qt::CopyAction);
    Data->accept();
  } else {
    Data->setDropAction(Qt::IgnoreAction);
    Data->ignore();
  }
}

void Form1::Label1_OLEDragDrop(QDropEvent* Data) {
  const auto path = SingleLocalFile(Data->mimeData());
  if (!path) {
    Data->ignore();
    return;
  }
  label1Path_ = QString::fromStdU16String(*path);
  Label1->setText(QString::fromStdU16String(linux_desktop::DisplayName(*path)));
  Data->setDropAction(Qt::CopyAction);
  Data->accept();
}

void Form1::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange) {
    minimized_.ActivationChanged(isActiveWindow());
  }
  QWidget::changeEvent(event);
}

void Form1::closeEvent(QCloseEvent* event) {
  event->accept();
  Form_Unload();
}

void Form1::Form_Unload() {
  if (unloaded_) {
    return;
  }
  unloaded_ = true;
  Q_EMIT unloaded();
}

}  // namespace vorundel::ui
