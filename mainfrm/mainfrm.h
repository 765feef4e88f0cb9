// The main window "Convert": three panes, three buttons, and the commands they run.
#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <string>

#include "dialogs.h"
#include "form_layout.h"
#include "memo.h"
#include "opened_export.h"
#include "text_loader.h"
#include "text_pane.h"

class QPushButton;
class QScrollArea;

// The open-file dialog's state: the name last accepted, and how it is asked for.
class OpenDialog {
 public:
  explicit OpenDialog(FileAsker& asker) : asker_(asker) {}
  // Shows the dialog; on acceptance FileName holds the full path.
  bool Execute(QWidget* parent);
  std::string FileName;  // bytes of the local file name; empty until a name is accepted

 private:
  FileAsker& asker_;
};

class TForm1 : public QWidget {
  Q_OBJECT
 public:
  TForm1(std::string applicationTitle, FileAsker& asker, ErrorShower& errors);

  OpenDialog OpenDialog1;

  void OpenClick();
  void TranslateClick();
  void Button1Click();
  void kml_headers();
  // What Open does once a name is accepted: also the end of a file dropped on the window.
  void OpenFileName(const std::string& fileName);
  // Opens the first file named on the command line (a file manager's "Open with", exports
  // dropped on the program) as Open would, its errors shown as Open shows them; the window
  // holds one export, so it then says which others were not opened.
  void OpenGiven(const QStringList& files);

  // Offered each of the window's native messages first (on Windows its system menu's own
  // entries come as such): true when it took the message.
  void SetNativeMessageHandler(std::function<bool(void* message)> handler);

  ControlRect ScaledDesign(const QWidget* control) const;
  QScrollArea* Scroller() const { return scroller_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool event(QEvent* event) override;
  bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // First: the controls made below send the window events, which read these.
  bool shownOnce_ = false;
  bool frameFitted_ = false;
  QString title_;
  std::function<bool(void* message)> nativeMessageHandler_;
  ErrorShower& errors_;
  OpenedExport opened_;
  QScrollArea* scroller_;
  QWidget* client_;
  // The controls, by the names the window is known by (also their object names).
  QPushButton* Open;
  Memo* Memo1;
  Memo* Memo2;
  QPushButton* Translate;
  Memo* Memo3;
  QPushButton* Button1;
  // The panes' texts seen as lines, each held by its control.
  TextPane input_, summary_, kml_;

  // Loads OpenDialog1.FileName into the input pane.
  LoadReport LoadAccepted();
  // Raises the message that the loaded export was cut at a NUL byte, if it was.
  static void SayWhereCut(std::optional<std::size_t> nulAt);
  void RunCommand(const std::function<void()>& command);
  void ShowError(const char* message);
  void Relayout();
  void FitFrame();
  bool HandleButtonKey(QPushButton* button, QKeyEvent* key);

  std::array<QWidget*, 6> controls_{};   // creation order, which is also the tab order
  std::array<ControlRect, 6> design_{};  // after scaling
  int clientWidthAtCreation_ = 0;
  int right_ = 0, bottom_ = 0;  // what the buttons and all controls need
};
