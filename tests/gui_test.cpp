// The window driven through its real widgets, headless.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <deque>
#include <filesystem>
#include <iostream>

#include "app_title.h"
#include "export_generator.h"
#include "file_errors.h"
#include "file_messages.h"
#include "greek.h"
#include "line_view.h"
#include "mainfrm.h"
#include "pane_test_support.h"
#include "system_errors.h"
#include "window_texts.h"
#ifndef _WIN32
#include "run_command.h"
#endif

namespace {

// The system's words for a missing file, as a message carries them.
std::string NotFoundWords() {
  return TrimmedErrorText(SystemFiles().ErrorText(kErrorNotFound));
}

class FakeAsker final : public FileAsker {
 public:
  std::optional<QString> AskOpenFileName(QWidget*, const QString& initialName) override {
    initialNames.push_back(initialName);
    if (answers.empty()) return std::nullopt;
    auto answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::deque<std::optional<QString>> answers;
  std::vector<QString> initialNames;
};

class FakeErrors final : public ErrorShower {
 public:
  void ShowError(QWidget*, const QString& text, const QString& caption) override {
    texts.push_back(text);
    captions.push_back(caption);
  }
  std::vector<QString> texts, captions;
};

// The window's controls, found by the names the window is known by.
struct Controls {
  explicit Controls(TForm1& form)
      : Open(Find<QPushButton>(form, "Open")),
        Memo1(Find<Memo>(form, "Memo1")),
        Memo2(Find<Memo>(form, "Memo2")),
        Translate(Find<QPushButton>(form, "Translate")),
        Memo3(Find<Memo>(form, "Memo3")),
        Button1(Find<QPushButton>(form, "Button1")) {}
  template <class T>
  static T* Find(TForm1& form, const char* name) {
    T* control = form.findChild<T*>(name);
    EXPECT_NE(control, nullptr) << name;
    return control;
  }
  QPushButton* Open;
  Memo* Memo1;
  Memo* Memo2;
  QPushButton* Translate;
  Memo* Memo3;
  QPushButton* Button1;
};

class Window : public ::testing::Test {
 protected:
  void SetUp() override {
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  }
  std::string Text(Memo* memo) { return std::string(memo->Storage().Text()); }
  // A line view of a pane, bound to its control as the window binds its own.
  static TextPane PaneOf(Memo* memo) { return TextPane(memo->Storage()); }
  void Answer(const std::string& path) { asker.answers.push_back(QString::fromStdString(path)); }
  QWidget* Focused() { return QApplication::focusWidget(); }

  FakeAsker asker;
  FakeErrors errors;
  TForm1 form{"Trackkml", asker, errors};
  Controls ui{form};
  ScratchDir dir;
};

TEST_F(Window, StartsWithItsNamesAndTheFocusOnOpen) {
  EXPECT_EQ(form.windowTitle(), QString::fromUtf8(window_texts::kFormCaption));
  EXPECT_EQ(Text(ui.Memo1), "Memo1\r\n");
  EXPECT_EQ(Text(ui.Memo2), "Memo2\r\n");
  EXPECT_EQ(Text(ui.Memo3), "Memo3\r\n");
  EXPECT_EQ(ui.Open->text(), QString::fromUtf8(window_texts::kOpenCaption));
  EXPECT_EQ(ui.Translate->text(), QString::fromUtf8(window_texts::kTranslateCaption));
  EXPECT_EQ(ui.Button1->text(), QString::fromUtf8(window_texts::kSaveCaption));
  EXPECT_EQ(form.OpenDialog1.FileName, "");
  EXPECT_EQ(Focused(), ui.Open);
  EXPECT_EQ(form.frameGeometry(), QRect(194, 114, 634, 586));
  EXPECT_EQ(ui.Memo1->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_EQ(ui.Memo2->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_EQ(ui.Memo3->lineWrapMode(), QPlainTextEdit::NoWrap);
  for (Memo* m : {ui.Memo1, ui.Memo2, ui.Memo3}) {
    EXPECT_EQ(m->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(m->width(), form.ScaledDesign(m).width) << "as designed at the first showing";
  }
  for (QPushButton* b : {ui.Open, ui.Translate, ui.Button1}) {
    EXPECT_FALSE(b->isDefault());
    EXPECT_EQ(b->size(), QSize(form.ScaledDesign(b).width, form.ScaledDesign(b).height));
  }
#ifndef _WIN32  // the test font here has the designed text height; Windows' offscreen fonts not
  EXPECT_EQ(ui.Memo1->width(), 600);
  EXPECT_EQ(ui.Open->size(), QSize(75, 25));
#endif
}

TEST_F(Window, TabArrowsEnterAndSpaceFollowTheTabOrder) {
  const std::vector<QWidget*> order = {ui.Open,      ui.Memo1, ui.Memo2,
                                       ui.Translate, ui.Memo3, ui.Button1};
  for (std::size_t i = 0; i < order.size(); ++i) {
    ASSERT_EQ(Focused(), order[i]) << i;
    QTest::keyClick(Focused(), Qt::Key_Tab);
  }
  EXPECT_EQ(Focused(), ui.Open);
  QTest::keyClick(Focused(), Qt::Key_Backtab);
  EXPECT_EQ(Focused(), ui.Button1);
  EXPECT_EQ(Text(ui.Memo1), "Memo1\r\n") << "Tab is not inserted";

  ui.Translate->setFocus();
  QTest::keyClick(ui.Translate, Qt::Key_Right);
  EXPECT_EQ(Focused(), ui.Memo3);
  ui.Translate->setFocus();
  QTest::keyClick(ui.Translate, Qt::Key_Down);
  EXPECT_EQ(Focused(), ui.Memo3);
  ui.Translate->setFocus();
  QTest::keyClick(ui.Translate, Qt::Key_Left);
  EXPECT_EQ(Focused(), ui.Memo2);
  ui.Open->setFocus();
  QTest::keyClick(ui.Open, Qt::Key_Up);
  EXPECT_EQ(Focused(), ui.Button1);
  // In a pane the arrows move the caret, not the focus; Enter breaks the line.
  ui.Memo1->setFocus();
  QTest::keyClick(ui.Memo1, Qt::Key_Down);
  QTest::keyClick(ui.Memo1, Qt::Key_Return);
  EXPECT_EQ(Focused(), ui.Memo1);
  EXPECT_EQ(CountLines(PaneOf(ui.Memo1).Text()), 2u);

  // Memo1 now holds "Memo1" and an empty line: four summary lines and one point each time.
  ui.Translate->setFocus();
  QTest::keyClick(ui.Translate, Qt::Key_Return);
  EXPECT_EQ(CountLines(PaneOf(ui.Memo2).Text()), 1u + 5u);
  QTest::keyClick(ui.Translate, Qt::Key_Space);
  EXPECT_EQ(CountLines(PaneOf(ui.Memo2).Text()), 1u + 10u);
  ui.Open->setFocus();
  QTest::keyClick(ui.Open, Qt::Key_Enter);
  QTest::keyClick(ui.Open, Qt::Key_Space);
  EXPECT_EQ(asker.initialNames.size(), 2u);
}

// A pane filled by clearing and appending leaves the caret after the last line, as appends
// do; so typing continues the text, and after Translate both output panes show their ends.
TEST_F(Window, FilledPanesLeaveTheCaretAtTheirEnd) {
  QTest::keyClick(Focused(), Qt::Key_Tab);
  ASSERT_EQ(Focused(), ui.Memo1);
  QTest::keyClick(ui.Memo1, Qt::Key_A);
  EXPECT_EQ(Text(ui.Memo1), "Memo1\r\na");

  // Large enough that the document comes in several blocks, which the pane takes as lines.
  const std::string path = dir / "day.csv";
  const auto generated = GenerateExport(ExportShape{.rows = 20000});
  WriteBytes(path, generated.bytes);
  Answer(path);
  QTest::mouseClick(ui.Open, Qt::LeftButton);
  EXPECT_TRUE(ui.Memo1->textCursor().atStart()) << "a load shows the top";
  QTest::mouseClick(ui.Translate, Qt::LeftButton);
  QApplication::processEvents();  // as the user sees it, once the window has drawn
  for (Memo* memo : {ui.Memo2, ui.Memo3}) {
    EXPECT_TRUE(memo->textCursor().atEnd()) << memo->objectName().toStdString();
    const std::string name = memo->objectName().toStdString();
    const QScrollBar* bar = memo->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0) << name;
    EXPECT_EQ(bar->value(), bar->maximum()) << name;
    EXPECT_TRUE(memo->viewport()->rect().contains(memo->cursorRect())) << name;
  }
#ifndef _WIN32
  const auto cli = RunCommand(ShellQuote(TRACKKML_CLI) + " --stdout " + ShellQuote(path));
  EXPECT_EQ(Text(ui.Memo3), cli.out);
  EXPECT_EQ(CountLines(PaneOf(ui.Memo3).Text()), 184u + 10u * (20000u - generated.rowsWithoutFix));
#endif
}

TEST_F(Window, TranslateAfterStartReadsTheLineMemo1) {
  QTest::mouseClick(ui.Translate, Qt::LeftButton);
  EXPECT_EQ(Text(ui.Memo2), "Memo2\r\n" + greek::kVehicleCaption + "\r\n" + greek::kDriverCaption +
                                "\r\n" + greek::kDateCaption + "\r\nData 1st Line: 1\r\n");
  EXPECT_EQ(CountLines(PaneOf(ui.Memo3).Text()), 184u);
  EXPECT_EQ(LineOf(PaneOf(ui.Memo3).Text(), 163), "<Open>  </Open>");
  EXPECT_EQ(Text(ui.Memo1), "Memo1\r\n");

  // Twice: both summaries, only the second document.
  const std::string firstKml = Text(ui.Memo3);
  QTest::mouseClick(ui.Translate, Qt::LeftButton);
  EXPECT_EQ(CountLines(PaneOf(ui.Memo2).Text()), 9u);
  EXPECT_EQ(Text(ui.Memo3), firstKml);
}

TEST_F(Window, TranslateAppendsAfterAHandEditedSummary) {
  ui.Memo2->setPlainText("typed");  // no line break after it
  ui.Memo3->setPlainText("old");
  PaneOf(ui.Memo1).ClearText();
  PaneOf(ui.Memo1).AppendLine(greek::kTitleLabel);
  PaneOf(ui.Memo1).AppendLine("t;;1;;2;3");
  QTest::mouseClick(ui.Translate, Qt::LeftButton);
  EXPECT_EQ(Text(ui.Memo2), "typed\r\n" + greek::kVehicleCaption + "\r\n" + greek::kDriverCaption +
                                "\r\n" + greek::kDateCaption + "\r\nData 1st Line: 1\r\nt 3 2 1")
      << "appended line by line after a line without break, the text ends without one";
  EXPECT_EQ(CountLines(PaneOf(ui.Memo3).Text()), 194u);
  EXPECT_EQ(LineOf(PaneOf(ui.Memo3).Text(), 0), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
}

TEST_F(Window, OpenAcceptedCancelledAndFailing) {
  const std::string a = dir / "a.csv";
  WriteBytes(a, "A\nB");
  Answer(a);
  QTest::mouseClick(ui.Open, Qt::LeftButton);
  EXPECT_EQ(Text(ui.Memo1), "A\r\nB");
  EXPECT_EQ(Text(ui.Memo2), "");
  EXPECT_EQ(Text(ui.Memo3), "Memo3\r\n");
  EXPECT_EQ(form.OpenDialog1.FileName, a);

  PaneOf(ui.Memo2).AppendLine("x");
  QTest::mouseClick(ui.Open, Qt::LeftButton);  // cancelled
  EXPECT_EQ(asker.initialNames.back().toStdString(), a) << "the last name is offered again";
  EXPECT_EQ(Text(ui.Memo1), "A\r\nB");
  EXPECT_EQ(Text(ui.Memo2), "");
  EXPECT_EQ(form.OpenDialog1.FileName, a);

  PaneOf(ui.Memo2).AppendLine("kept");
  const std::string missing = dir / "day.csv";
  Answer(missing);
  ui.Open->setFocus();
  QTest::mouseClick(ui.Open, Qt::LeftButton);
  EXPECT_EQ(Text(ui.Memo1), "A\r\nB");
  EXPECT_EQ(Text(ui.Memo2), "kept\r\n");
  EXPECT_EQ(form.OpenDialog1.FileName, missing);
  ASSERT_EQ(errors.texts.size(), 1u);
  EXPECT_EQ(errors.texts[0].toStdString(),
            Filled(file_messages::kCannotOpen, {missing, NotFoundWords()}) + ".");
  EXPECT_EQ(errors.captions[0], "Trackkml");
  EXPECT_EQ(Focused(), ui.Open);

  // A later Save writes beside the name that failed, once Translate has made its document.
  QTest::mouseClick(ui.Button1, Qt::LeftButton);
  EXPECT_FALSE(std::filesystem::exists(dir / "day.kml"));
  QTest::mouseClick(ui.Translate, Qt::LeftButton);
  QTest::mouseClick(ui.Button1, Qt::LeftButton);
  EXPECT_EQ(ReadBytes(dir / "day.kml"), Text(ui.Memo3));

  // A NUL ends the text: the pane shows what came before it, and the user is told.
  errors.texts.clear();
  WriteBytes(a, std::string("A\r\nB\0C\r\n", 9));
  Answer(a);
  QTest::mouseClick(ui.Open, Qt::LeftButton);
  EXPECT_EQ(Text(ui.Memo1), "A\r\nB");
  EXPECT_EQ(Text(ui.Memo2), "");
  ASSERT_EQ(errors.texts.size(), 1u);
  EXPECT_EQ(errors.texts[0].toStdString(), Filled(file_messages::kCutAtNul, {"4"}) + ".");
}

// Save writes only the document Translate made from the export now open: never another
// export's, nor the pane's first text, and never over the export, whatever its name is now.
TEST_F(Window, SaveWritesOnlyTheOpenExportsTranslation) {
  QTest::mouseClick(ui.Button1, Qt::LeftButton);  // no name yet
  ASSERT_EQ(errors.texts.size(), 1u);
  EXPECT_EQ(errors.texts[0].toStdString(),
            Filled(file_messages::kCannotCreate, {"", NotFoundWords()}) + ".");

  const std::string a = dir / "a.csv", b = dir / "b.csv";
  WriteBytes(a, greek::kVehicleLabel + "A;\r\n" + greek::kTitleLabel + "\r\nt;;1;;2;3\r\n");
  WriteBytes(b, greek::kVehicleLabel + "B;\r\n");
  WriteBytes(dir / "b.kml", "kept");
  Answer(a);
  QTest::mouseClick(ui.Open, Qt::LeftButton);
  QTest::mouseClick(ui.Button1, Qt::LeftButton);  // right after Open: "Memo3" is no document
  QTest::mouseClick(ui.Translate, Qt::LeftButton);
  const std::string kmlOfA = Text(ui.Memo3);
  Answer(b);
  QTest::mouseClick(ui.Open, Qt::LeftButton);
  const std::string memo1 = Text(ui.Memo1), memo2 = Text(ui.Memo2);
  QTest::mouseClick(ui.Button1, Qt::LeftButton);  // the document is a.csv's
  EXPECT_EQ(ReadBytes(dir / "b.kml"), "kept");
  EXPECT_FALSE(std::filesystem::exists(dir / "a.kml"));
  EXPECT_EQ(Text(ui.Memo1), memo1);
  EXPECT_EQ(Text(ui.Memo2), memo2);
  EXPECT_EQ(Text(ui.Memo3), kmlOfA);
  ASSERT_EQ(errors.texts.size(), 3u);
  for (const std::size_t k : {1u, 2u})
    EXPECT_EQ(errors.texts[k].toStdString(), std::string(window_texts::kTranslateFirst) + ".");
  QTest::mouseClick(ui.Translate, Qt::LeftButton);
  QTest::mouseClick(ui.Button1, Qt::LeftButton);
  EXPECT_EQ(ReadBytes(dir / "b.kml"), Text(ui.Memo3));
  EXPECT_NE(Text(ui.Memo3), kmlOfA);

  // A name without ".csv" is never written over.
  const std::string txt = dir / "c.TXT";
  WriteBytes(txt, "c");
  Answer(txt);
  QTest::mouseClick(ui.Open, Qt::LeftButton);
  QTest::mouseClick(ui.Translate, Qt::LeftButton);
  QTest::mouseClick(ui.Button1, Qt::LeftButton);
  EXPECT_EQ(ReadBytes(txt), "c");
  EXPECT_EQ(ReadBytes(dir / "c.TXT.kml"), Text(ui.Memo3));

  // The export renamed to the KML's name after Open is still the export.
  const std::string day = dir / "day.csv", kml = dir / "day.kml";
  WriteBytes(day, "the export");
  Answer(day);
  QTest::mouseClick(ui.Open, Qt::LeftButton);
  QTest::mouseClick(ui.Translate, Qt::LeftButton);
  std::filesystem::rename(day, kml);
  errors.texts.clear();
  QTest::mouseClick(ui.Button1, Qt::LeftButton);
  ASSERT_EQ(errors.texts.size(), 1u);
  EXPECT_EQ(errors.texts[0].toStdString(),
            Filled(file_messages::kWouldReplaceInput, {"KML", kml, day}));
  EXPECT_EQ(ReadBytes(kml), "the export");
}

// In a folder others may write, a KML name that is a second link to another file (one only
// its owner may read, planted by someone who may link to it) is replaced by name: the other
// file keeps its text and has one name again.
#ifndef _WIN32  // Windows' folders have no such sharing to tell
TEST_F(Window, SaveWhereOthersMayWriteNeverWritesThroughASecondLink) {
  namespace fs = std::filesystem;
  fs::create_directory(dir / "st");
  fs::permissions(dir / "st", fs::perms::all | fs::perms::sticky_bit);
  WriteBytes(dir / "secret", "keep");
  fs::permissions(dir / "secret", fs::perms::owner_read | fs::perms::owner_write);
  WriteBytes(dir / "st/day.csv", GenerateExport(ExportShape{.rows = 20}).bytes);
  fs::create_hard_link(dir / "secret", dir / "st/day.kml");
  Answer(dir / "st/day.csv");
  QTest::mouseClick(ui.Open, Qt::LeftButton);
  QTest::mouseClick(ui.Translate, Qt::LeftButton);
  QTest::mouseClick(ui.Button1, Qt::LeftButton);
  EXPECT_TRUE(errors.texts.empty()) << errors.texts.front().toStdString();
  EXPECT_EQ(ReadBytes(dir / "secret"), "keep");
  EXPECT_EQ(fs::hard_link_count(dir / "secret"), 1u);
  EXPECT_TRUE(ReadBytes(dir / "st/day.kml") == Text(ui.Memo3));
}
#endif

// A KML name that is the export itself, through a link of either kind: Save refuses with the
// tool's words and the export keeps every byte.
TEST_F(Window, SaveNeverWritesOverTheExportThroughALink) {
  namespace fs = std::filesystem;
  const std::string csv = dir / "day.csv", kml = dir / "day.kml";
  const std::string exportBytes = GenerateExport(ExportShape{.rows = 20}).bytes;
  const std::vector<std::pair<const char*, void (*)(const fs::path&, const fs::path&)>> links = {
      {"symbolic", [](const fs::path& to, const fs::path& at) { fs::create_symlink(to, at); }},
      {"hard", [](const fs::path& to, const fs::path& at) { fs::create_hard_link(to, at); }},
  };
  for (const auto& [kind, link] : links) {
    WriteBytes(csv, exportBytes);
    fs::remove(kml);
    try {
      link(csv, kml);
    } catch (const fs::filesystem_error& error) {
      std::cout << "no " << kind << " links here: " << error.what() << "\n";
      continue;
    }
    errors.texts.clear();
    Answer(csv);
    QTest::mouseClick(ui.Open, Qt::LeftButton);
    QTest::mouseClick(ui.Translate, Qt::LeftButton);
    QTest::mouseClick(ui.Button1, Qt::LeftButton);
    ASSERT_EQ(errors.texts.size(), 1u) << kind;
    EXPECT_EQ(errors.texts[0].toStdString(),
              Filled(file_messages::kWouldReplaceInput, {"KML", kml, csv}))
        << kind;
    EXPECT_TRUE(ReadBytes(csv) == exportBytes) << kind << " link: the export was written over";
  }
}

// A path past Windows' old limit of 260 characters opens and saves like any other.
TEST_F(Window, ALongPathOpensAndSaves) {
  std::filesystem::path folder = dir.path();
  for (int i = 0; i < 6; ++i)
    folder /= std::string(50, static_cast<char>('a' + i));
  std::filesystem::create_directories(folder);
  const std::string csv = (folder / "day.csv").string();
  ASSERT_GT(csv.size(), 300u);
  const std::string exportBytes = GenerateExport(ExportShape{.rows = 20}).bytes;
  WriteBytes(csv, exportBytes);
  Answer(csv);
  QTest::mouseClick(ui.Open, Qt::LeftButton);
  QTest::mouseClick(ui.Translate, Qt::LeftButton);
  QTest::mouseClick(ui.Button1, Qt::LeftButton);
  EXPECT_TRUE(errors.texts.empty()) << errors.texts.front().toStdString();
  EXPECT_GT(ReadBytes((folder / "day.kml").string()).size(), 1000u);
}

// Where two texts part, for a readable failure on large files.
std::string FirstDifference(const std::string& got, const std::string& want) {
  const auto [g, w] = std::mismatch(got.begin(), got.end(), want.begin(), want.end());
  if (g == got.end() && w == want.end()) return "identical";
  const auto at = static_cast<std::size_t>(g - got.begin());
  return "differs at byte " + std::to_string(at) + ": got \"" + got.substr(at, 40) + "\", want \"" +
         want.substr(at, 40) + "\"";
}

// The committed golden pair: what both programs must write for a realistic export.
// A file named on the command line (a file manager's "Open with") opens as Open opens it:
// the same load, the same message, the dialog's name set to it; of several, the first.
TEST_F(Window, OpensTheFileItIsGiven) {
  const std::string a = dir / "a.csv";
  WriteBytes(a, "A\nB");
  form.OpenGiven({QString::fromStdString(a)});
  EXPECT_EQ(Text(ui.Memo1), "A\r\nB");
  EXPECT_EQ(form.OpenDialog1.FileName, a);
  ASSERT_TRUE(errors.texts.empty());
  const std::string missing = dir / "missing.csv";
  form.OpenGiven({QString::fromStdString(missing)});
  EXPECT_EQ(Text(ui.Memo1), "A\r\nB");
  EXPECT_EQ(form.OpenDialog1.FileName, missing);
  ASSERT_EQ(errors.texts.size(), 1u);
  EXPECT_EQ(errors.texts[0].toStdString(),
            Filled(file_messages::kCannotOpen, {missing, NotFoundWords()}) + ".");
  // Several exports dropped on the program: the first opens, the others are named as not.
  const std::string b = dir / "b.csv";
  const std::string c = dir / "c.csv";
  WriteBytes(b, "B");
  WriteBytes(c, "C");
  errors.texts.clear();
  form.OpenGiven({QString::fromStdString(b), QString::fromStdString(c), QString::fromStdString(a)});
  EXPECT_EQ(Text(ui.Memo1), "B");
  EXPECT_EQ(form.OpenDialog1.FileName, b);
  ASSERT_EQ(errors.texts.size(), 1u);
  EXPECT_EQ(errors.texts[0].toStdString(),
            Filled(window_texts::kOthersNotOpened, {"\n" + c + "\n" + a}) + ".");
}

TEST_F(Window, OpenTranslateSaveAndTheBatchToolWriteTheGoldenFiles) {
  const std::string data = TRACKKML_TEST_DATA;
  const std::string kml = ReadBytes(data + "/day.kml");
  const std::string summary = ReadBytes(data + "/day-summary.txt");
  ASSERT_FALSE(kml.empty());
  const std::string path = dir / "day.csv";
  std::filesystem::copy_file(data + "/day.csv", path);

  Answer(path);
  QTest::mouseClick(ui.Open, Qt::LeftButton);
  QTest::mouseClick(ui.Translate, Qt::LeftButton);
  QTest::mouseClick(ui.Button1, Qt::LeftButton);
  ASSERT_TRUE(errors.texts.empty());
  EXPECT_EQ(FirstDifference(ReadBytes(dir / "day.kml"), kml), "identical") << "window";
  EXPECT_EQ(FirstDifference(Text(ui.Memo2), summary), "identical") << "window";

#ifndef _WIN32  // the Windows tool is held to the same files by a test of its own
  std::filesystem::remove(dir / "day.kml");
  const auto cli = RunCommand(ShellQuote(TRACKKML_CLI) + " -q " + ShellQuote(path));
  ASSERT_EQ(cli.status, 0) << cli.err;
  EXPECT_EQ(FirstDifference(ReadBytes(dir / "day.kml"), kml), "identical") << "tool";
  const auto cliSummary = RunCommand(ShellQuote(TRACKKML_CLI) + " --summary " + ShellQuote(path));
  EXPECT_EQ(FirstDifference(cliSummary.out, summary), "identical") << "tool";
#endif
}

TEST_F(Window, TheInputPaneKeepsEveryByte) {
  std::string all;
  for (int b = 1; b < 256; ++b) {
    if (b != '\r' && b != '\n') all.push_back(static_cast<char>(b));
  }
  const std::string text = all + "\r\n" + all + "\r\n";
  WriteBytes(dir / "bytes.csv", text);
  Answer(dir / "bytes.csv");
  QTest::mouseClick(ui.Open, Qt::LeftButton);
  EXPECT_EQ(Text(ui.Memo1), text);
  EXPECT_EQ(SplitLines(PaneOf(ui.Memo1).Text()), (ExportLines{all, all}));

  // Text with characters the code page has no form of is refused whole, never written as "?".
  ui.Memo1->setPlainText(QString::fromUtf8("\u00e9\u4e2d\U0001F600\u03a9"));
  EXPECT_EQ(Text(ui.Memo1), text);
  // A no-break space stays itself, a line separator breaks the line.
  ui.Memo1->setPlainText(QString::fromUtf8("a\u00a0b\u2028c"));
  EXPECT_EQ(Text(ui.Memo1),
            "a\xA0"
            "b\r\nc");
}

TEST_F(Window, ADroppedFileOpensLikeAnAcceptedName) {
  const std::string path = dir / "dropped.csv";
  WriteBytes(path, "D\r\n");
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&form, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(ui.Memo1->viewport(), &drop);
  EXPECT_EQ(Text(ui.Memo1), "D\r\n");
  EXPECT_EQ(Text(ui.Memo2), "");
  EXPECT_EQ(form.OpenDialog1.FileName, path);
}

TEST_F(Window, PanesFollowTheWidthAndTheContentsScroll) {
  const auto paneWidths = [&] {
    return std::vector<int>{ui.Memo1->width(), ui.Memo2->width(), ui.Memo3->width()};
  };
  // Margins as at the first showing, when every pane has its designed width.
  const int designed = form.ScaledDesign(ui.Memo1).width;
  const int margins = form.width() - designed;
  const QRect openBefore = ui.Open->geometry(), saveBefore = ui.Button1->geometry();
  form.resize(form.width() + 100, form.height());
  EXPECT_EQ(paneWidths(), (std::vector<int>(3, designed + 100)));
  EXPECT_EQ(ui.Open->geometry(), openBefore);
  EXPECT_EQ(ui.Button1->geometry(), saveBefore);
  form.resize(form.width(), form.height() + 200);  // taller leaves space below Memo3
  EXPECT_EQ(ui.Memo3->height(), form.ScaledDesign(ui.Memo3).height);

  QScrollArea* scroller = form.Scroller();
  const int bar = form.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroller);
  const int bottom = form.ScaledDesign(ui.Memo3).bottom();
  const int right = form.ScaledDesign(ui.Button1).right();
#ifndef _WIN32
  EXPECT_EQ(bottom, 537);
  EXPECT_EQ(right, 403);
#endif
  form.resize(700, bottom);
  EXPECT_EQ(scroller->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(paneWidths(), (std::vector<int>(3, 700 - margins)));
  form.resize(700, bottom - 1);
  EXPECT_EQ(scroller->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(paneWidths(), (std::vector<int>(3, 700 - margins - bar)));
  EXPECT_EQ(scroller->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

  form.resize(right, 800);
  EXPECT_EQ(scroller->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  form.resize(right - 1, 800);
  EXPECT_EQ(scroller->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(scroller->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(ui.Button1->geometry(), saveBefore);
  EXPECT_EQ(ui.Memo1->width(), right - 1 - margins);
  form.resize(20, 800);
  EXPECT_EQ(paneWidths(), (std::vector<int>(3, 0))) << "narrower than the margins: nothing";
}

TEST(Dialogs, TheRealOpenDialogIsConfigured) {
  QFileDialog dialog;
  ConfigureOpenDialog(dialog, "/tmp/day.csv");
  EXPECT_EQ(dialog.nameFilters(), QStringList{QString::fromUtf8(window_texts::kOpenFilter)});
  EXPECT_TRUE(dialog.testOption(QFileDialog::HideNameFilterDetails));
  EXPECT_EQ(dialog.fileMode(), QFileDialog::AnyFile);
  EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptOpen);
  EXPECT_EQ(dialog.defaultSuffix(), "csv");
  EXPECT_FALSE(dialog.testOption(QFileDialog::ReadOnly));
  EXPECT_TRUE(dialog.isSizeGripEnabled());
#ifndef _WIN32  // the platform's own dialog there, and other paths
  EXPECT_EQ(dialog.directory().absolutePath(), "/tmp");
  EXPECT_FALSE(dialog.windowTitle().isEmpty()) << "the platform's own title";

  // A typed name of a file in a folder that does not exist is accepted.
  QFileDialog typed;
  ConfigureOpenDialog(typed, "/nothere/day.csv");
  QMetaObject::invokeMethod(&typed, "accept");
  EXPECT_EQ(typed.result(), QDialog::Accepted);
  ASSERT_EQ(typed.selectedFiles().size(), 1);
  EXPECT_TRUE(typed.selectedFiles().first().endsWith("/nothere/day.csv"));
#endif
}

TEST(Dialogs, PlacedCentredAtAThirdOfTheActiveMonitor) {
  QWidget owner;
  owner.show();
  QApplication::setActiveWindow(&owner);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&owner));
  QDialog dialog(&owner);
  dialog.resize(301, 203);
  dialog.show();
  PlaceOnActiveMonitor(dialog);
  const QRect monitor = owner.screen()->geometry();
  const QSize size = dialog.frameGeometry().size();
  EXPECT_EQ(dialog.frameGeometry().topLeft(),
            QPoint(monitor.left() + (monitor.width() - size.width()) / 2,
                   monitor.top() + (monitor.height() - size.height()) / 3));
  EXPECT_EQ(dialog.size(), QSize(301, 203));
}

TEST(Dialogs, TheRealErrorBoxShowsTheMessage) {
  QWidget window;
  auto* button = new QPushButton("b", &window);
  window.show();
  QApplication::setActiveWindow(&window);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  button->setFocus();
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    title = box->windowTitle();
    text = box->text();
    icon = box->icon();
    buttons = box->standardButtons();
    QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
  });
  const QString message = QString::fromUtf8(file_messages::kStreamWriteError) + ".";
  QtErrorShower().ShowError(&window, message, "Trackkml");
  EXPECT_EQ(title, "Trackkml");
  EXPECT_EQ(text, message);
  EXPECT_EQ(icon, QMessageBox::Critical);
  EXPECT_EQ(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == button; }, 2000));
}

TEST(FormLayout, ScalesEdgesAndRoundsEach) {
  // 15/13: each edge is scaled and rounded, the size follows from the rounded edges.
  const ControlRect open = ScaleRect({96, 16, 75, 25}, 15.0 / 13);
  EXPECT_EQ(open.left, 111);     // 110.77
  EXPECT_EQ(open.top, 18);       // 18.46
  EXPECT_EQ(open.right(), 197);  // 171 -> 197.31
  EXPECT_EQ(open.bottom(), 47);  // 41 -> 47.31
  const ControlRect memo3 = ScaleRect({13, 392, 600, 145}, 15.0 / 13);
  EXPECT_EQ(memo3.bottom(), 620);  // 537 -> 619.6: the scroll threshold scales with it
  // A scaled pane keeps the margin it has after scaling, negative when it reaches past.
  EXPECT_EQ(PaneWidth(634, 634, memo3), memo3.width);
  EXPECT_EQ(PaneWidth(734, 634, memo3), memo3.width + 100);
}

TEST(ApplicationTitle, FromTheProgramFilesName) {
  const std::pair<const char*, const char*> cases[] = {
      {"/usr/bin/trackkml", "trackkml"},
      {"C:\\Apps\\TRACKKML.EXE", "Trackkml"},
      {"/opt/My.Tool.bin", "My"},
      {"relative/Convert", "Convert"},
      {"/x/.hidden", ""},
  };
  for (const auto& [path, title] : cases)
    EXPECT_EQ(ApplicationTitle(path), title) << path;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM",
          qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
