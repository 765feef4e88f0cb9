#include "mainfrm.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QUrl>
#include <algorithm>
#include <cmath>

#include "app_error.h"
#include "export_conversion.h"
#include "file_messages.h"
#include "kml_document.h"
#include "save_name.h"
#include "window_texts.h"

using namespace window_texts;

namespace {

// The designed rectangles, in creation order: Open, Memo1, Memo2, Translate, Memo3, Button1.
constexpr std::array<ControlRect, 6> kDesign = {{
    {96, 16, 75, 25},
    {11, 56, 600, 73},
    {12, 144, 600, 241},
    {216, 16, 75, 25},
    {13, 392, 600, 145},
    {328, 16, 75, 25},
}};

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QPushButton* MakeButton(QWidget* parent, const char* name, std::string_view caption) {
  auto* button = new QPushButton(Text(caption), parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  button->setDefault(false);
  button->setFocusPolicy(Qt::StrongFocus);
  return button;
}

QFont WindowFont(const QWidget& window) {
  // Not on Linux: the platform substitutes, and the scaling rule makes up the difference.
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPixelSize(static_cast<int>(std::lround(11.0 * window.logicalDpiY() / 96.0)));
  font.setWeight(QFont::Normal);
  return font;
}

// File names and messages as the file layer spells them: the local 8-bit encoding, which
// on Windows is UTF-8 (its file calls take UTF-16).
std::string LocalFileName(const QString& path) {
#ifdef Q_OS_WIN
  return QDir::toNativeSeparators(path).toUtf8().toStdString();
#else
  return QFile::encodeName(path).toStdString();
#endif
}

QString FromLocalBytes(const std::string& bytes) {
#ifdef Q_OS_WIN
  return QString::fromUtf8(bytes.c_str());
#else
  return QFile::decodeName(bytes.c_str());
#endif
}

}  // namespace

bool OpenDialog::Execute(QWidget* parent) {
  const auto accepted = asker_.AskOpenFileName(parent, FromLocalBytes(FileName));
  if (!accepted) return false;
  FileName = LocalFileName(*accepted);
  return true;
}

QWidget* MakeScrolledClient(QScrollArea* scroller) {
  scroller->setFrameShape(QFrame::NoFrame);
  scroller->setFocusPolicy(Qt::NoFocus);
  scroller->setWidgetResizable(false);
  auto* client = new QWidget;
  client->setAutoFillBackground(false);
  scroller->setWidget(client);
  scroller->viewport()->setAutoFillBackground(false);
  return client;
}

// A pane's first text is its own name, on a line of its own.
void ShowName(TextPane& pane, const char* name) {
  TextPane::UpdateBracket bracket(pane);
  pane.ClearText();
  pane.AppendLine(name);
}

TForm1::TForm1(std::string applicationTitle, FileAsker& asker, ErrorShower& errors)
    : OpenDialog1(asker),
      title_(QString::fromLocal8Bit(applicationTitle.c_str())),
      errors_(errors),
      scroller_(new QScrollArea(this)),
      client_(MakeScrolledClient(scroller_)),
      Open(MakeButton(client_, "Open", kOpenCaption)),
      Memo1(new Memo(client_, "Memo1", PaneEncoding::Cp1253, true)),
      Memo2(new Memo(client_, "Memo2", PaneEncoding::Cp1253, true)),
      Translate(MakeButton(client_, "Translate", kTranslateCaption)),
      Memo3(new Memo(client_, "Memo3", PaneEncoding::Utf8, false)),
      Button1(MakeButton(client_, "Button1", kSaveCaption)),
      input_(Memo1->Storage()),
      summary_(Memo2->Storage()),
      kml_(Memo3->Storage()) {
  setObjectName("Form1");
  setWindowTitle(Text(kFormCaption));
  setFont(WindowFont(*this));
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, palette.color(QPalette::Button));
  setPalette(palette);
  setAutoFillBackground(true);
  setAcceptDrops(true);

  const std::pair<Memo*, std::pair<std::string_view, std::string_view>> told[] = {
      {Memo1, {kInputPaneName, kInputPaneDescription}},
      {Memo2, {kSummaryPaneName, kSummaryPaneDescription}},
      {Memo3, {kKmlPaneName, kKmlPaneDescription}},
  };
  for (const auto& [pane, texts] : told) {
    pane->setAccessibleName(Text(texts.first));
    pane->setAccessibleDescription(Text(texts.second));
  }
  ShowName(input_, "Memo1");
  ShowName(summary_, "Memo2");
  ShowName(kml_, "Memo3");
  controls_ = {Open, Memo1, Memo2, Translate, Memo3, Button1};
  for (std::size_t i = 0; i + 1 < controls_.size(); ++i)
    setTabOrder(controls_[i], controls_[i + 1]);

  connect(Open, &QPushButton::clicked, this, [this] { OpenClick(); });
  connect(Translate, &QPushButton::clicked, this, [this] { TranslateClick(); });
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  for (auto* button : {Open, Translate, Button1})
    button->installEventFilter(this);
  for (auto* memo : {Memo1, Memo2, Memo3})
    memo->viewport()->installEventFilter(this);

  // Scaled when the font's text height is not the 13 pixels the layout was made for.
  const int textHeight = QFontMetrics(font()).height();
  const double scale =
      textHeight == kDesignTextHeight ? 1.0 : static_cast<double>(textHeight) / kDesignTextHeight;
  for (std::size_t i = 0; i < kDesign.size(); ++i) {
    design_[i] = scale == 1.0 ? kDesign[i] : ScaleRect(kDesign[i], scale);
    bottom_ = std::max(bottom_, design_[i].bottom());
  }
  // The panes follow the width, so only the buttons count for it.
  right_ = std::max({design_[0].right(), design_[3].right(), design_[5].right()});

  // The frame is 634 x 586 at 194, 114; until the platform reports its frame, it is taken as
  // having none.
  setGeometry(kFrameLeft, kFrameTop, kFrameWidth, kFrameHeight);
  clientWidthAtCreation_ = width();
  Relayout();
  Open->setFocus(Qt::OtherFocusReason);
}

ControlRect TForm1::ScaledDesign(const QWidget* control) const {
  const auto it = std::find(controls_.begin(), controls_.end(), control);
  return it == controls_.end() ? ControlRect{}
                               : design_[static_cast<std::size_t>(it - controls_.begin())];
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shownOnce_) return;
  shownOnce_ = true;
  clientWidthAtCreation_ = width();
  FitFrame();
  Relayout();
}

void TForm1::SetNativeMessageHandler(std::function<bool(void* message)> handler) {
  nativeMessageHandler_ = std::move(handler);
}

bool TForm1::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
  if (nativeMessageHandler_ && nativeMessageHandler_(message)) {
    *result = 0;
    return true;
  }
  return QWidget::nativeEvent(eventType, message, result);
}

bool TForm1::event(QEvent* event) {
  const bool handled = QWidget::event(event);
  // A window manager reports its frame some time after the window is shown.
  if (shownOnce_ && !frameFitted_) FitFrame();
  return handled;
}

void TForm1::FitFrame() {
  if (!HasFrame(*this)) return;
  frameFitted_ = true;
  // The client area shrinks so that the frame, borders and title bar included, keeps the
  // designed size and place; the panes' margins are those of this client area.
  const QSize frameExtra = frameGeometry().size() - size();
  resize(kFrameWidth - frameExtra.width(), kFrameHeight - frameExtra.height());
  move(kFrameLeft, kFrameTop);
  clientWidthAtCreation_ = width();
  Relayout();
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Relayout();
}

void TForm1::Relayout() {
  const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroller_);
  const ScrollState s = ComputeScroll(width(), height(), right_, bottom_, bar);
  scroller_->setVerticalScrollBarPolicy(s.vertical ? Qt::ScrollBarAlwaysOn
                                                   : Qt::ScrollBarAlwaysOff);
  scroller_->setHorizontalScrollBarPolicy(s.horizontal ? Qt::ScrollBarAlwaysOn
                                                       : Qt::ScrollBarAlwaysOff);
  scroller_->setGeometry(0, 0, width(), height());
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    ControlRect r = design_[i];
    if (qobject_cast<Memo*>(controls_[i]) != nullptr) {
      // The panes follow the width; where the rule leaves no room they shrink to nothing.
      r.width = std::max(0, PaneWidth(s.width, clientWidthAtCreation_, design_[i]));
    }
    controls_[i]->setGeometry(r.left, r.top, r.width, r.height);
  }
  client_->resize(std::max(s.width, right_), std::max(s.height, bottom_));
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* button = qobject_cast<QPushButton*>(watched);
    if (button != nullptr && HandleButtonKey(button, static_cast<QKeyEvent*>(event))) return true;
  }
  // A file dropped on a pane opens like a file dropped on the window; dropped text stays
  // the pane's.
  if (event->type() == QEvent::DragEnter || event->type() == QEvent::Drop) {
    auto* drop = static_cast<QDropEvent*>(event);
    if (drop->mimeData()->hasUrls()) {
      if (event->type() == QEvent::DragEnter) {
        dragEnterEvent(static_cast<QDragEnterEvent*>(event));
      } else {
        dropEvent(drop);
      }
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

bool TForm1::HandleButtonKey(QPushButton* button, QKeyEvent* key) {
  if (key->modifiers() & ~Qt::KeypadModifier) return false;
  switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      button->click();
      return true;
    case Qt::Key_Right:
    case Qt::Key_Down:
      focusNextPrevChild(true);
      return true;
    case Qt::Key_Left:
    case Qt::Key_Up:
      focusNextPrevChild(false);
      return true;
    default:
      return false;
  }
}

namespace {

std::optional<QString> SingleDroppedFile(const QMimeData* mime) {
  const QList<QUrl> urls = mime->urls();
  if (urls.size() != 1 || !urls.first().isLocalFile()) return std::nullopt;
  return urls.first().toLocalFile();
}

}  // namespace

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  if (SingleDroppedFile(event->mimeData())) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
  const auto file = SingleDroppedFile(event->mimeData());
  if (!file) return;
  event->acceptProposedAction();
  const std::string name = LocalFileName(*file);
  RunCommand([&] { OpenFileName(name); });
}

void TForm1::OpenGiven(const QStringList& files) {
  if (files.isEmpty()) return;
  const std::string name = LocalFileName(files.front());
  RunCommand([&] { OpenFileName(name); });
  if (files.size() == 1) return;
  std::string others;
  for (qsizetype i = 1; i < files.size(); ++i)
    others += "\n" + LocalFileName(files.at(i));
  ShowError(Filled(window_texts::kOthersNotOpened, {others}).c_str());
}

void TForm1::RunCommand(const std::function<void()>& command) {
  // Errors end the command and are shown; what the command did before them stays done.
  try {
    command();
  } catch (const std::exception& error) {
    ShowError(error.what());
  }
}

void TForm1::ShowError(const char* message) {
  errors_.ShowError(this, FromLocalBytes(DisplayMessage(message)), title_);
}

void TForm1::OpenClick() {
  RunCommand([this] {
    std::optional<std::size_t> cut;
    if (OpenDialog1.Execute(this)) cut = LoadAccepted().nulAt;
    summary_.ClearText();
    SayWhereCut(cut);
  });
}

void TForm1::OpenFileName(const std::string& fileName) {
  OpenDialog1.FileName = fileName;
  const auto cut = LoadAccepted().nulAt;
  summary_.ClearText();
  SayWhereCut(cut);
}

LoadReport TForm1::LoadAccepted() {
  // From here the KML pane's document is another export's, also when the load fails.
  opened_.Accepted(std::nullopt);
  const LoadReport report = input_.LoadTextFile(OpenDialog1.FileName);
  opened_.Accepted(report.file);
  return report;
}

void TForm1::SayWhereCut(std::optional<std::size_t> nulAt) {
  // The pane shows the text as loaded; the user is told that it is not all of the file.
  if (nulAt) throw AppError(Filled(file_messages::kCutAtNul, {std::to_string(*nulAt)}));
}

namespace {

// The conversion's output into the summary and KML panes, as whole lines: the document's
// blocks end anywhere, a line may span several.
class PaneOutput final : public ConversionOutput {
 public:
  PaneOutput(TextPane& summary, TextPane& kml) : summary_(summary), kml_(kml) {}
  void Summary(std::string_view lines) override { summary_.AppendLines(lines); }
  void Kml(std::string_view bytes) override {
    if (carry_.empty()) {
      const auto end = bytes.rfind("\r\n");
      if (end != std::string_view::npos) kml_.AppendLines(bytes.substr(0, end + 2));
      carry_.assign(end == std::string_view::npos ? bytes : bytes.substr(end + 2));
      return;
    }
    carry_.append(bytes);
    const auto end = carry_.rfind("\r\n");
    if (end == std::string::npos) return;
    kml_.AppendLines(std::string_view(carry_).substr(0, end + 2));
    carry_.erase(0, end + 2);
  }

 private:
  TextPane& summary_;
  TextPane& kml_;
  std::string carry_;  // the start of a line whose end has not come yet
};

}  // namespace

void TForm1::TranslateClick() {
  RunCommand([this] {
    // Each pane gets its lines as one change while it is not redrawn.
    TextPane::UpdateBracket summaryBracket(summary_);
    TextPane::UpdateBracket kmlBracket(kml_);
    kml_headers();
    PaneOutput out(summary_, kml_);
    ConvertExport(input_.Text(), out);
    opened_.Translated();
  });
}

void TForm1::kml_headers() {
  kml_.ClearText();
  kml_.AppendLines(KmlPreamble());
}

void TForm1::Button1Click() {
  RunCommand([this] {
    const std::string& source = OpenDialog1.FileName;
    // Another export's document, or the pane's first text, is never saved under this one's
    // name. (No name at all gets the create error.)
    if (!source.empty() && !opened_.KmlIsItsOwn()) throw AppError(std::string(kTranslateFirst));
    kml_.SaveTextFile({"KML", SaveNameFor(source)}, source, opened_.File());
  });
}
