// Drags and drops as the windowing system delivers them, for tests.
#pragma once

#include <QList>
#include <QUrl>
#include <Qt>

class QMimeData;
class QWidget;

namespace vorundel::testing {

struct DragAnswer {
  bool accepted;
  Qt::DropAction action;
};

// Sends a drag entering `target` with `data`, as a drag from a file
// manager would arrive.
DragAnswer DragEnter(QWidget* target, const QMimeData& data);

// Drags `data` into `target` and, if the drag is accepted there, drops it;
// whether it was taken.
bool Drop(QWidget* target, const QMimeData& data);

// A file manager's payload: the URLs of the files.
QMimeData* FilesPayload(const QList<QUrl>& urls);

}  // namespace vorundel::testing
