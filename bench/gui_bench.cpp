// Open, Translate and Save in the real window, offscreen, on generated exports of 10,000 and
// 100,000 rows; prints each command's milliseconds. Figures only: nothing is asserted.
#include <QApplication>
#include <QPushButton>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "export_generator.h"
#include "mainfrm.h"

namespace {

class FixedAsker final : public FileAsker {
 public:
  std::optional<QString> AskOpenFileName(QWidget*, const QString&) override { return path; }
  QString path;
};

class PrintErrors final : public ErrorShower {
 public:
  void ShowError(QWidget*, const QString& text, const QString&) override {
    std::fprintf(stderr, "error: %s\n", text.toLocal8Bit().constData());
  }
};

double Milliseconds(QPushButton* button) {
  const auto start = std::chrono::steady_clock::now();
  button->click();
  QApplication::processEvents();  // the redraw the command asked for
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const auto dir = std::filesystem::temp_directory_path() / "trackkml-gui-bench";
  std::filesystem::create_directories(dir);
  std::printf("%8s %10s %12s %10s %10s\n", "rows", "open ms", "translate ms", "save ms",
              "total ms");
  for (const std::size_t rows : {10'000u, 100'000u}) {
    const auto path = dir / ("day" + std::to_string(rows) + ".csv");
    std::ofstream(path, std::ios::binary) << GenerateExport(ExportShape{.rows = rows}).bytes;
    FixedAsker asker;
    asker.path = QString::fromStdString(path.string());
    PrintErrors errors;
    TForm1 form("trackkml", asker, errors);
    form.show();
    QApplication::processEvents();
    const double open = Milliseconds(form.findChild<QPushButton*>("Open"));
    const double translate = Milliseconds(form.findChild<QPushButton*>("Translate"));
    const double save = Milliseconds(form.findChild<QPushButton*>("Button1"));
    std::printf("%8zu %10.1f %12.1f %10.1f %10.1f\n", rows, open, translate, save,
                open + translate + save);
  }
  std::filesystem::remove_all(dir);
  return 0;
}
