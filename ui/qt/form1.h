// The main window: the instruction frame with the drop target Label1, the
// Set and Cancel buttons, and the power notifications. Events go to the
// core; the core works the window through the platform operations below.
#pragma once

#include <QMessageBox>
#include <QWidget>
#include <cstdint>
#include <memory>

#include "platform/linux/power_observer.h"
#include "ui/qt/minimized_state.h"

class QDragMoveEvent;
class QDropEvent;
class QGroupBox;
class QLabel;
class QPushButton;

namespace vorundel {
class Form1Logic;
}

namespace vorundel::ui {

class WindowPlatform;

class Form1 : public QWidget, private linux_desktop::PowerObserver {
  Q_OBJECT

 public:
  Form1();
  ~Form1() override;

  // Event handlers.
  void cmdSet_Click();
  void cmdCancel_Click();
  void SysInfo1_PowerResume();
  void SysInfo1_PowerSuspend();

  // The window's half of the platform.
  int ShowMessage(const QString& text,
                  std::uint32_t style,
                  const QString& caption);
  int WindowState() const;
  void MinimizeWindow();
  QString Label1Text() const;
  void UnloadForm();

 Q_SIGNALS:
  // The window has been unloaded: the program must end now.
  void unloaded();

 protected:
  // Runs a box that ShowMessage has set up and returns the button pressed.
  virtual QMessageBox::StandardButton ExecMessageBox(QMessageBox& box);

  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Label1_OLEDragOver(QDragMoveEvent* Data);
  void Label1_OLEDragDrop(QDropEvent* Data);
  void Form_Unload();

  void OnSuspend() override { SysInfo1_PowerSuspend(); }
  void OnResume() override { SysInfo1_PowerResume(); }

  QGroupBox* Frame1;
  QLabel* Label1;
  QPushButton* cmdSet;
  QPushButton* cmdCancel;

  // The path Label1 shows, as the file system has it (see utf.h); Label1
  // shows its display name.
  QString label1Path_;
  MinimizedState minimized_;
  bool unloaded_ = false;
  std::unique_ptr<WindowPlatform> platform_;
  std::unique_ptr<Form1Logic> logic_;
};

}  // namespace vorundel::ui
