// The open-file dialog and the error box behind small seams, so tests can answer them.
#pragma once

#include <QString>
#include <memory>
#include <optional>

class QFileDialog;
class QMessageBox;
class QWidget;

class FileAsker {
 public:
  virtual ~FileAsker() = default;
  // The full path the user accepted, or nothing when cancelled.
  virtual std::optional<QString> AskOpenFileName(QWidget* parent, const QString& initialName) = 0;
};

class ErrorShower {
 public:
  virtual ~ErrorShower() = default;
  virtual void ShowError(QWidget* parent, const QString& text, const QString& caption) = 0;
};

class QtFileAsker final : public FileAsker {
 public:
  std::optional<QString> AskOpenFileName(QWidget* parent, const QString& initialName) override;
};

class QtErrorShower final : public ErrorShower {
 public:
  void ShowError(QWidget* parent, const QString& text, const QString& caption) override;
};

// The open dialog's settings: one file type "CSV orvan files" (*.csv), default suffix csv,
// the platform's own title, any one file name, existing or not.
void ConfigureOpenDialog(QFileDialog& dialog, const QString& initialName);
// Horizontally centred, its top at a third of the free height, on the active window's monitor;
// its outer frame, where it has one, is what is placed.
void PlaceOnActiveMonitor(QWidget& dialog);
// Whether the platform has reported a frame around a window (a window manager does so only
// some time after the window is shown).
bool HasFrame(const QWidget& window);
std::unique_ptr<QMessageBox> MakeErrorBox(QWidget* parent, const QString& text,
                                          const QString& caption);
