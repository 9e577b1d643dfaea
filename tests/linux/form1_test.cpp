// The main window on Qt's offscreen platform: layout, drops, the path
// shown literally, message boxes reached through the core, the end of the
// program. Message boxes are answered at the window's seam.
#include "ui/qt/form1.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>

#include "core/texts.h"
#include "tests/linux/desktop_sandbox.h"
#include "tests/linux/drag_drop.h"
#include "ui/qt/minimized_state.h"

namespace vorundel::ui {
namespace {

using testing::Sandbox;

QString Q(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

struct ShownBox {
  QString text;
  QString caption;
  QMessageBox::Icon icon;
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton escape;
  Qt::TextFormat format;
  QWidget* parent;
  Qt::WindowModality modality;
  bool onTop;
  bool visible;
};

// Answers the boxes from a script (OK once it runs out); kClose answers as
// closing the box would.
constexpr auto kClose = QMessageBox::NoButton;

class TestForm1 : public Form1 {
 public:
  std::vector<ShownBox> shown;
  std::deque<QMessageBox::StandardButton> answers;

  template <typename T = QWidget>
  T* Control(const char* name) {
    return findChild<T*>(QLatin1String(name));
  }

 protected:
  QMessageBox::StandardButton ExecMessageBox(QMessageBox& box) override {
    shown.push_back({box.text(), box.windowTitle(), box.icon(),
                     box.standardButtons(),
                     box.standardButton(box.escapeButton()), box.textFormat(),
                     box.parentWidget(), box.windowModality(),
                     box.windowFlags().testFlag(Qt::WindowStaysOnTopHint),
                     box.isVisible()});
    if (answers.empty()) {
      return QMessageBox::Ok;
    }
    const auto answer = answers.front();
    answers.pop_front();
    return answer == kClose ? box.standardButton(box.escapeButton()) : answer;
  }
};

std::string MakeFile(const std::string& name) {
  const std::string path = Sandbox().files() + "/" + name;
  std::ofstream(path) << "x\n";
  return path;
}

void DropPath(TestForm1& form, const QString& path) {
  std::unique_ptr<QMimeData> data(
      testing::FilesPayload({QUrl::fromLocalFile(path)}));
  ASSERT_TRUE(testing::Drop(form.Control<QLabel>("Label1"), *data));
}

// An access key animates the button and clicks it when the animation
// ends; waits for that click.
void PressAccessKey(TestForm1& form, Qt::Key key, const char* button) {
  QSignalSpy clicked(form.Control<QPushButton>(button), &QPushButton::clicked);
  QTest::keyClick(&form, key, Qt::AltModifier);
  EXPECT_TRUE(clicked.count() > 0 || clicked.wait(5000)) << button;
}

void Activate(QWidget& form) {
  form.show();
  QApplication::setActiveWindow(&form);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
}

TEST(Form1Test, ControlsSitAtTheirTwipPositionsAt96Dpi) {
  TestForm1 form;
  ASSERT_EQ(form.logicalDpiX(), 96);
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Vorundel"));
  EXPECT_EQ(form.size(), QSize(467, 123));
  EXPECT_EQ(form.minimumSize(), form.maximumSize()) << "fixed size";
  const struct {
    const char* name;
    QRect geometry;  // Label1's within Frame1
  } cases[] = {
      {"Frame1", {8, 16, 449, 57}},
      {"Label1", {8, 24, 433, 21}},
      {"cmdSet", {64, 84, 161, 25}},
      {"cmdCancel", {240, 84, 161, 25}},
  };
  form.show();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(form.Control(c.name)->geometry(), c.geometry);
  }
  EXPECT_EQ(form.Control<QLabel>("Label1")->parentWidget(),
            form.Control("Frame1"));
}

TEST(Form1Test, FrameCaptionIsDarkBlueBoldAndFitsTheFrame) {
  TestForm1 form;
  auto* frame = form.Control<QGroupBox>("Frame1");
  auto* label = form.Control<QLabel>("Label1");
  EXPECT_EQ(frame->title(), Q(kFrame1Caption));
  EXPECT_TRUE(frame->font().bold());
  EXPECT_DOUBLE_EQ(frame->font().pointSizeF(), 9.75);
  EXPECT_EQ(frame->palette().color(QPalette::WindowText), QColor(0, 0, 192));
  // Where MS PGothic is absent the metric-compatible font stands in; a
  // wider one would cut the caption off.
  EXPECT_EQ(QFontInfo(frame->font()).family(), QStringLiteral("IPAPGothic"));
  EXPECT_LE(QFontMetrics(frame->font()).horizontalAdvance(frame->title()),
            frame->width() - 16);
  // The frame's look stays with its caption.
  EXPECT_FALSE(label->font().bold());
  EXPECT_EQ(label->palette().color(QPalette::Text),
            QApplication::palette().color(QPalette::Text));
  EXPECT_EQ(form.Control<QPushButton>("cmdSet")->text(), Q(kCmdSetCaption));
  EXPECT_EQ(form.Control<QPushButton>("cmdCancel")->text(),
            Q(kCmdCancelCaption));
}

TEST(Form1Test, OnlyLabel1TakesADragOfExactlyOneLocalFile) {
  TestForm1 form;
  form.show();
  const QUrl one =
      QUrl::fromLocalFile(QString::fromStdString(MakeFile("one.txt")));
  const QUrl two =
      QUrl::fromLocalFile(QString::fromStdString(MakeFile("two.txt")));
  const struct {
    const char* what;
    const char* target;
    QMimeData* payload;
    bool accepted;
  } cases[] = {
      {"one file on Label1", "Label1", testing::FilesPayload({one}), true},
      {"two files", "Label1", testing::FilesPayload({one, two}), false},
      {"no file", "Label1", testing::FilesPayload({}), false},
      {"a web address", "Label1",
       testing::FilesPayload(
           {QUrl(QStringLiteral("https://example.com/a.txt"))}),
       false},
      {"one file on Frame1", "Frame1", testing::FilesPayload({one}), false},
      {"one file on cmdSet", "cmdSet", testing::FilesPayload({one}), false},
      {"one file on cmdCancel", "cmdCancel", testing::FilesPayload({one}),
       false},
      {"one file on the window", nullptr, testing::FilesPayload({one}), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<QMimeData> payload(c.payload);
    QWidget* target = c.target ? form.Control(c.target) : &form;
    const auto answer = testing::DragEnter(target, *payload);
    EXPECT_EQ(answer.accepted, c.accepted);
    if (c.accepted) {
      EXPECT_EQ(answer.action, Qt::CopyAction);
    }
    const QString before = form.Label1Text();
    EXPECT_EQ(testing::Drop(target, *payload), c.accepted);
    EXPECT_EQ(form.Label1Text(), c.accepted ? one.toLocalFile() : before);
  }
}

TEST(Form1Test, DropReplacesThePathWhichShowsLiterally) {
  TestForm1 form;
  form.show();
  const QString first = QString::fromStdString(MakeFile("first.txt"));
  const QString literal =
      QString::fromStdString(MakeFile("R&D <b>bold</b> &amp; 日本.txt"));
  DropPath(form, first);
  EXPECT_EQ(form.Label1Text(), first);
  DropPath(form, literal);
  EXPECT_EQ(form.Label1Text(), literal);
  // Rendered as markup, the tags would vanish and the text shrink.
  auto* label = form.Control<QLabel>("Label1");
  EXPECT_GE(label->sizeHint().width(),
            QFontMetrics(label->font()).horizontalAdvance(literal));
  EXPECT_EQ(label->buddy(), nullptr) << "an & would become an access key";
}

TEST(Form1Test, SetShowsTheCoresRefusalsOverTheWindow) {
  const std::string folder = Sandbox().files() + "/folder";
  std::filesystem::create_directories(folder);
  const struct {
    const char* what;
    std::string path;  // empty: nothing dropped
    std::u16string_view message;
    bool byAccessKey;
  } cases[] = {
      {"nothing dropped", "", kFileMissing, false},
      {"missing file", Sandbox().files() + "/missing.txt", kFileMissing, false},
      {"folder", folder, kFileMissing, false},
      {"unassociated", MakeFile("data.vorundel-unknown"), kNotAssociated, true},
      // The private system bus has no logind on it.
      {"no resume notifications", MakeFile("notes.txt"), kResumeUndetectable,
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TestForm1 form;
    Activate(form);
    if (!c.path.empty()) {
      DropPath(form, QString::fromStdString(c.path));
    }
    if (c.byAccessKey) {
      PressAccessKey(form, Qt::Key_S, "cmdSet");
    } else {
      QTest::mouseClick(form.Control("cmdSet"), Qt::LeftButton);
    }
    ASSERT_EQ(form.shown.size(), 1u);
    const ShownBox& box = form.shown[0];
    EXPECT_EQ(box.text, Q(c.message));
    EXPECT_EQ(box.caption, QStringLiteral("Vorundel"));
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_EQ(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(box.parent, &form) << "modal over the window";
    EXPECT_EQ(form.WindowState(), 0);
  }
}

TEST(Form1Test, MessageStylesGiveIconButtonsAndAnswer) {
  const struct {
    std::uint32_t style;
    QMessageBox::StandardButton press;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    int answer;
  } cases[] = {
      {0x10, QMessageBox::Ok, QMessageBox::Critical, QMessageBox::Ok, 1},
      {0x30, QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok, 1},
      {0x30, kClose, QMessageBox::Warning, QMessageBox::Ok, 1},
      {0x41, QMessageBox::Ok, QMessageBox::Information,
       QMessageBox::Ok | QMessageBox::Cancel, 1},
      {0x41, QMessageBox::Cancel, QMessageBox::Information,
       QMessageBox::Ok | QMessageBox::Cancel, 2},
      {0x41, kClose, QMessageBox::Information,
       QMessageBox::Ok | QMessageBox::Cancel, 2},
  };
  TestForm1 form;
  form.show();
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << "style " << c.style << " press " << c.press);
    form.shown.clear();
    form.answers = {c.press};
    EXPECT_EQ(form.ShowMessage(QStringLiteral("line 1\r\n\r\n<b>&x</b>"),
                               c.style, QStringLiteral("Vorundel")),
              c.answer);
    ASSERT_EQ(form.shown.size(), 1u);
    EXPECT_EQ(form.shown[0].icon, c.icon);
    EXPECT_EQ(form.shown[0].buttons, c.buttons);
    EXPECT_EQ(form.shown[0].text, QStringLiteral("line 1\n\n<b>&x</b>"));
    EXPECT_EQ(form.shown[0].format, Qt::PlainText);
  }
}

TEST(Form1Test, FailureAfterResumeComesToTheFrontThenTheProgramEnds) {
  TestForm1 form;
  form.show();
  QSignalSpy unloaded(&form, &Form1::unloaded);
  DropPath(form, QString::fromStdString(Sandbox().files()) +
                     QStringLiteral("/deleted after set.txt"));
  form.SysInfo1_PowerSuspend();
  form.SysInfo1_PowerResume();
  EXPECT_TRUE(form.shown.empty()) << "not armed: nothing happens";
  EXPECT_EQ(unloaded.count(), 0);

  form.MinimizeWindow();
  EXPECT_EQ(form.WindowState(), 1);
  form.SysInfo1_PowerSuspend();
  EXPECT_TRUE(form.shown.empty());
  form.SysInfo1_PowerResume();
  ASSERT_EQ(form.shown.size(), 1u);
  const ShownBox& box = form.shown[0];
  EXPECT_EQ(box.text, Q(kLaunchFailed));
  EXPECT_EQ(box.icon, QMessageBox::Warning);
  EXPECT_EQ(box.parent, nullptr) << "not hidden with the minimized window";
  EXPECT_TRUE(box.onTop);
  EXPECT_TRUE(box.visible);
  EXPECT_EQ(box.modality, Qt::ApplicationModal);
  EXPECT_EQ(unloaded.count(), 1);
  EXPECT_FALSE(form.isVisible());
  form.SysInfo1_PowerResume();
  EXPECT_EQ(form.shown.size(), 1u) << "one launch per arming";
}

TEST(Form1Test, CancelAndClosingEndTheProgramSilently) {
  const struct {
    const char* what;
    void (*act)(TestForm1&);
  } cases[] = {
      {"Cancel clicked",
       [](TestForm1& f) {
         QTest::mouseClick(f.Control("cmdCancel"), Qt::LeftButton);
       }},
      {"Cancel's access key",
       [](TestForm1& f) { PressAccessKey(f, Qt::Key_C, "cmdCancel"); }},
      {"window closed", [](TestForm1& f) { f.close(); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TestForm1 form;
    Activate(form);
    QSignalSpy unloaded(&form, &Form1::unloaded);
    c.act(form);
    EXPECT_EQ(unloaded.count(), 1);
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(form.shown.empty());
  }
}

TEST(Form1Test, TabGoesFromCancelToSet) {
  TestForm1 form;
  Activate(form);
  EXPECT_EQ(QApplication::focusWidget(), form.Control("cmdCancel"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), form.Control("cmdSet"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), form.Control("cmdCancel"));
}

TEST(MinimizedStateTest, WaylandArmsFromOurMinimizeUntilNextActivation) {
  enum Event { kMinimize, kActive, kInactive };
  const struct {
    const char* what;
    std::vector<Event> events;
    bool minimized;
  } cases[] = {
      {"never minimized", {kActive, kInactive}, false},
      {"minimized", {kMinimize}, true},
      {"minimized, lost focus", {kMinimize, kInactive}, true},
      {"late activation from the closing box", {kMinimize, kActive}, true},
      {"restored by the user", {kMinimize, kInactive, kActive}, false},
      {"late activation, then restored",
       {kMinimize, kActive, kInactive, kActive},
       false},
      {"armed again", {kMinimize, kInactive, kActive, kMinimize}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MinimizedState state(false);
    for (const Event e : c.events) {
      if (e == kMinimize) {
        state.Minimizing();
      } else {
        state.ActivationChanged(e == kActive);
      }
    }
    EXPECT_EQ(state.IsMinimized(false), c.minimized);
    EXPECT_EQ(state.IsMinimized(true), c.minimized);
  }
  MinimizedState x11(true);
  x11.Minimizing();
  EXPECT_FALSE(x11.IsMinimized(false)) << "X11 reports the real state";
  EXPECT_TRUE(x11.IsMinimized(true));
}

}  // namespace
}  // namespace vorundel::ui

int main(int argc, char* argv[]) {
  ::testing::InitGoogleTest(&argc, argv);
  if (::testing::GTEST_FLAG(list_tests)) {
    return RUN_ALL_TESTS();
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  vorundel::testing::DesktopSandbox sandbox;
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
