#include "tests/linux/drag_drop.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

namespace vorundel::testing {
namespace {

constexpr Qt::DropActions kOffered =
    Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;

QPointF Centre(QWidget* target) {
  return QPointF(target->width() / 2.0, target->height() / 2.0);
}

}  // namespace

DragAnswer DragEnter(QWidget* target, const QMimeData& data) {
  QDragEnterEvent enter(Centre(target).toPoint(), kOffered, &data,
                        Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  return {enter.isAccepted(), enter.dropAction()};
}

bool Drop(QWidget* target, const QMimeData& data) {
  // A drop always follows the drag entering the widget.
  if (!DragEnter(target, data).accepted) {
    return false;
  }
  QDropEvent drop(Centre(target), kOffered, &data, Qt::LeftButton,
                  Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  return drop.isAccepted();
}

QMimeData* FilesPayload(const QList<QUrl>& urls) {
  auto* data = new QMimeData;
  data->setUrls(urls);
  return data;
}

}  // namespace vorundel::testing
