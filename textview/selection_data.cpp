#include "selection_data.h"

#include "pane_encoding.h"

namespace {

const QString kPlainText = QStringLiteral("text/plain");

}  // namespace

QStringList SelectionData::formats() const {
  return {kPlainText};
}

bool SelectionData::hasFormat(const QString& mimeType) const {
  return mimeType == kPlainText;
}

QVariant SelectionData::retrieveData(const QString& mimeType, QMetaType type) const {
  if (mimeType != kPlainText) return QMimeData::retrieveData(mimeType, type);
  // Read as the pane shows it: a document of its own over the bytes taken.
  PaneDocument taken(encoding_);
  taken.Replace(bytes_.Join());
  return ShownText(taken, 0, taken.Size());
}
