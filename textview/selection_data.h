// Selected text offered to the clipboard, the primary selection or a drag: the bytes are
// taken when offered (sharing the document's stores, whatever the size) and made text only
// when another program, or a paste, asks for it, so that selecting all of a large pane, or
// changing such a selection, costs what a small one does.
#pragma once

#include <QMimeData>

#include "pane_document.h"

class SelectionData : public QMimeData {
  Q_OBJECT
 public:
  SelectionData(TextSnapshot bytes, PaneEncoding encoding)
      : bytes_(std::move(bytes)), encoding_(encoding) {}
  QStringList formats() const override;
  bool hasFormat(const QString& mimeType) const override;

 protected:
  QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

 private:
  TextSnapshot bytes_;
  PaneEncoding encoding_;
};
