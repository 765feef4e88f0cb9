#include "dialogs.h"

#include <QApplication>
#include <QEvent>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>

#include "window_texts.h"

namespace {

// Moves the dialog when it is first shown, after it has laid itself out, once more when a
// window manager has put its frame around it, which it reports only later, and when it is
// first activated, which a busy window manager does only after placing it its own way.
class PlaceWhenShown final : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto& dialog = *static_cast<QWidget*>(watched);
    if (event->type() == QEvent::Show) {
      PlaceOnActiveMonitor(dialog);
    } else if (event->type() == QEvent::WindowActivate && !placedWhenActive_) {
      placedWhenActive_ = true;
      PlaceOnActiveMonitor(dialog);
    } else if (!placedInFrame_ && dialog.isVisible() && HasFrame(dialog)) {
      placedInFrame_ = true;
      PlaceOnActiveMonitor(dialog);
    }
    return false;
  }

 private:
  bool placedInFrame_ = false;
  bool placedWhenActive_ = false;
};

}  // namespace

void ConfigureOpenDialog(QFileDialog& dialog, const QString& initialName) {
#ifdef Q_OS_WIN
  // The platform's own dialog, which Windows places itself.
  dialog.setOption(QFileDialog::DontUseNativeDialog, false);
#else
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
#endif
  dialog.setOption(QFileDialog::HideNameFilterDetails, true);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(QString::fromUtf8(window_texts::kOpenFilter));
  dialog.setDefaultSuffix(QStringLiteral("csv"));
  dialog.setSizeGripEnabled(true);
  if (!initialName.isEmpty()) dialog.selectFile(initialName);
}

bool HasFrame(const QWidget& window) {
  return window.frameGeometry().size() != window.size();
}

void PlaceOnActiveMonitor(QWidget& dialog) {
  QWidget* active = QApplication::activeWindow();
  if (active == nullptr || active == &dialog) active = dialog.parentWidget();
  QScreen* screen = active != nullptr ? active->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect monitor = screen->geometry();  // whole, taskbar included
  const QSize size = dialog.frameGeometry().size();
  dialog.move(monitor.left() + (monitor.width() - size.width()) / 2,
              monitor.top() + (monitor.height() - size.height()) / 3);
}

std::optional<QString> QtFileAsker::AskOpenFileName(QWidget* parent, const QString& initialName) {
  QFileDialog dialog(parent);
  ConfigureOpenDialog(dialog, initialName);
  PlaceWhenShown placer;
  dialog.installEventFilter(&placer);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  // Any length: a long path is loaded, or the load says why not.
  return QFileInfo(dialog.selectedFiles().first()).absoluteFilePath();
}

std::unique_ptr<QMessageBox> MakeErrorBox(QWidget* parent, const QString& text,
                                          const QString& caption) {
  auto box =
      std::make_unique<QMessageBox>(QMessageBox::Critical, caption, text, QMessageBox::Ok, parent);
  box->setWindowModality(Qt::ApplicationModal);
  return box;
}

void QtErrorShower::ShowError(QWidget* parent, const QString& text, const QString& caption) {
  QPointer<QWidget> focus = QApplication::focusWidget();
  MakeErrorBox(parent, text, caption)->exec();
  if (focus) {  // back where it was
    focus->activateWindow();
    focus->setFocus(Qt::OtherFocusReason);
  }
}
