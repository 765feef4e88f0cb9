// A pane's text held by a Qt text control. The control works in Unicode; the pane works in
// bytes, Windows-1253 for the input and summary panes and UTF-8 for the KML pane.
#pragma once

#include <QObject>
#include <QString>
#include <string>

#include "text_storage.h"

class QPlainTextEdit;

enum class PaneEncoding { Cp1253, Utf8 };

// A QObject only so that its connection to the control ends with it.
class MemoStorage final : public QObject, public TextStorage {
 public:
  MemoStorage(QPlainTextEdit& control, PaneEncoding encoding);

  std::string_view Text() override;
  void Replace(std::string text, Caret caret) override;
  void Append(std::string_view text) override;
  void SetRedraw(bool on) override;

  // Conversions between the pane's bytes (CR LF breaks) and the control's text.
  static QString ToControlText(std::string_view bytes, PaneEncoding encoding);
  static std::string FromControlText(const QString& raw, PaneEncoding encoding);

 private:
  QPlainTextEdit& control_;
  PaneEncoding encoding_;
  std::string bytes_;  // the control's text as bytes, while `fresh_`
  bool fresh_ = false;
  bool changed_ = false;  // by this storage since the view last followed the caret
};
