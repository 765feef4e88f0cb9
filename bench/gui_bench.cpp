// The window at scale, driven as a user drives it: Open, Translate and Save on a generated
// export of ROWS rows, then keys and scroll steps in every pane (the KML pane's route line
// included), a selection of the whole KML pane changed and copied, then the window left idle
// with the caret on the route line. Prints each
// command's time, every group of keys with its slowest key, the idle CPU and the peak memory.
// Figures only: nothing is asserted.
// Usage: gui_bench [ROWS=100000] [KEY_SECONDS=120]   (KEY_SECONDS: keys stop being sent after
// that long, so that a window that stalls still gives its figures)
#include <sys/resource.h>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "export_generator.h"
#include "kml_document.h"
#include "mainfrm.h"
#include "text_pane.h"

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

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Runs one user action and the redraw it asks for.
template <typename Action>
double Timed(Action action) {
  const auto start = Clock::now();
  action();
  QApplication::processEvents();
  QApplication::processEvents();
  return MillisecondsSince(start);
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

long PeakMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

// Keys sent to one pane, timed one by one, within a shared budget of seconds.
class KeyRun {
 public:
  explicit KeyRun(double budgetSeconds) : budgetMs_(budgetSeconds * 1000) {}

  void Key(QWidget* pane, const char* group, Qt::Key key, int times = 1,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier, const char* name = nullptr) {
    for (int i = 0; i < times; ++i)
      Step(group, name ? name : QTest::toString(key),
           [&] { QTest::keyClick(pane, key, modifiers); });
  }
  void Type(QWidget* pane, const char* group, char c) {
    Step(group, std::string("type ") + c, [&] { QTest::keyClick(pane, c); });
  }
  void Scroll(QScrollBar* bar, const char* group, QAbstractSlider::SliderAction action, int times,
              const char* name) {
    for (int i = 0; i < times; ++i)
      Step(group, name, [&] { bar->triggerAction(action); });
  }

  void Print() const {
    std::printf("\n%-34s %6s %10s  %s\n", "keys and scroll steps", "count", "slowest ms",
                "slowest");
    for (const auto& g : groups_)
      std::printf("%-34s %6d %10.1f  %s\n", g.name.c_str(), g.count, g.slowestMs,
                  g.slowest.c_str());
    std::printf("slowest of all: %.1f ms (%s)%s\n", slowest_.slowestMs, slowest_.slowest.c_str(),
                stopped_ ? "; keys stopped at the budget, the rest not sent" : "");
    for (const auto& g : groups_) {
      if (g.each.empty()) continue;
      std::printf("\n%s, key by key:\n", g.name.c_str());
      for (const auto& [name, ms] : g.each)
        std::printf("  %-32s %10.1f ms\n", name.c_str(), ms);
    }
  }
  // The keys of `group` are printed one by one, not only its slowest.
  void Itemise(const char* group) { itemised_ = group; }
  bool Stopped() const { return stopped_; }

 private:
  struct Group {
    std::string name;
    int count = 0;
    double slowestMs = 0;
    std::string slowest;
    std::vector<std::pair<std::string, double>> each;  // when itemised
  };

  template <typename Action>
  void Step(const std::string& group, const std::string& name, Action action) {
    if (stopped_) return;
    const double ms = Timed(action);
    spentMs_ += ms;
    if (groups_.empty() || groups_.back().name != group) {
      groups_.emplace_back();
      groups_.back().name = group;
    }
    Group& g = groups_.back();
    ++g.count;
    if (group == itemised_) g.each.emplace_back(name, ms);
    if (ms > g.slowestMs) {
      g.slowestMs = ms;
      g.slowest = name;
    }
    if (ms > slowest_.slowestMs) {
      slowest_.slowestMs = ms;
      slowest_.slowest = group + ": " + name;
    }
    if (spentMs_ > budgetMs_) stopped_ = true;
  }

  double budgetMs_;
  double spentMs_ = 0;
  bool stopped_ = false;
  std::vector<Group> groups_;
  Group slowest_{};
  std::string itemised_;
};

// The keys a reader of a long pane presses, and the scroll steps of its bars.
void BrowsePane(KeyRun& run, QAbstractScrollArea* pane, const char* group) {
  pane->setFocus();
  run.Key(pane, group, Qt::Key_End, 1, Qt::ControlModifier, "Ctrl+End");
  run.Key(pane, group, Qt::Key_Home, 1, Qt::ControlModifier, "Ctrl+Home");
  run.Key(pane, group, Qt::Key_PageDown, 3);
  run.Key(pane, group, Qt::Key_Down, 5);
  run.Key(pane, group, Qt::Key_End);
  run.Key(pane, group, Qt::Key_Home);
  run.Key(pane, group, Qt::Key_Right, 3);
  run.Key(pane, group, Qt::Key_Down, 2, Qt::ShiftModifier, "Shift+Down");
  run.Type(pane, group, 'x');
  run.Key(pane, group, Qt::Key_Backspace);
  run.Key(pane, group, Qt::Key_Z, 1, Qt::ControlModifier, "Ctrl+Z");
  run.Key(pane, group, Qt::Key_PageUp);
  run.Key(pane, group, Qt::Key_End, 1, Qt::ControlModifier, "Ctrl+End");
  run.Key(pane, group, Qt::Key_Up, 3);
  run.Scroll(pane->verticalScrollBar(), group, QAbstractSlider::SliderPageStepSub, 3, "page up");
  run.Scroll(pane->verticalScrollBar(), group, QAbstractSlider::SliderSingleStepSub, 3, "line up");
  run.Scroll(pane->verticalScrollBar(), group, QAbstractSlider::SliderToMinimum, 1, "to top");
}

// The caret onto the KML pane's route line by the arrow keys, then along it and off it.
void WalkTheRouteLine(KeyRun& run, QAbstractScrollArea* pane) {
  const char* group = "Memo3 to and along the route line";
  pane->setFocus();
  run.Key(pane, group, Qt::Key_Home, 1, Qt::ControlModifier, "Ctrl+Home");
  // The route line is the line after the body's first nine lines, after the preamble.
  run.Key(pane, group, Qt::Key_Down, static_cast<int>(kPreambleLines + 9));
  run.Key(pane, group, Qt::Key_End);
  run.Key(pane, group, Qt::Key_Left, 3);
  run.Type(pane, group, 'x');
  run.Key(pane, group, Qt::Key_Backspace);
  run.Key(pane, group, Qt::Key_Home);
  run.Key(pane, group, Qt::Key_Right, 3);
  run.Scroll(pane->horizontalScrollBar(), group, QAbstractSlider::SliderPageStepAdd, 3,
             "page right");
  run.Scroll(pane->horizontalScrollBar(), group, QAbstractSlider::SliderToMaximum, 1,
             "to the far right");
  run.Key(pane, group, Qt::Key_Down);
  run.Key(pane, group, Qt::Key_Up);
  run.Key(pane, group, Qt::Key_End);  // where it rests while the window is idle
}

// The whole KML pane selected, the selection changed by a character each way, copied, and
// the pane edited after the copy (the copied text must stay what it was).
void SelectTheWholePane(KeyRun& run, QAbstractScrollArea* pane) {
  const char* group = "Memo3 all selected";
  run.Itemise(group);
  pane->setFocus();
  run.Key(pane, group, Qt::Key_A, 1, Qt::ControlModifier, "Select All");
  run.Key(pane, group, Qt::Key_Right, 1, Qt::ShiftModifier, "Shift+Right");
  run.Key(pane, group, Qt::Key_Left, 1, Qt::ShiftModifier, "Shift+Left");
  run.Key(pane, group, Qt::Key_C, 1, Qt::ControlModifier, "Ctrl+C");
  run.Key(pane, group, Qt::Key_Home, 1, Qt::ControlModifier, "Ctrl+Home");
  run.Type(pane, group, 'x');
  run.Key(pane, group, Qt::Key_Z, 1, Qt::ControlModifier, "Ctrl+Z");
}

double IdleCpuPercent(double seconds) {
  const double cpuBefore = CpuSeconds();
  const auto start = Clock::now();
  QEventLoop loop;
  QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
  loop.exec();
  return 100.0 * (CpuSeconds() - cpuBefore) / (MillisecondsSince(start) / 1000);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const std::size_t rows = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100'000;
  const double keySeconds = argc > 2 ? std::strtod(argv[2], nullptr) : 120;

  const auto dir = std::filesystem::temp_directory_path() / "trackkml-gui-bench";
  std::filesystem::create_directories(dir);
  const auto path = dir / "day.csv";
  std::ofstream(path, std::ios::binary) << GenerateExport(ExportShape{.rows = rows}).bytes;

  FixedAsker asker;
  asker.path = QString::fromStdString(path.string());
  PrintErrors errors;
  TForm1 form("trackkml", asker, errors);
  form.show();
  QApplication::setActiveWindow(&form);
  (void)QTest::qWaitForWindowActive(&form);
  QApplication::processEvents();

  std::printf("%zu rows (%.1f MiB), platform %s\n", rows,
              static_cast<double>(std::filesystem::file_size(path)) / (1 << 20),
              QApplication::platformName().toLocal8Bit().constData());
  const auto click = [&](const char* name) {
    return Timed([&] { form.findChild<QPushButton*>(name)->click(); });
  };
  const double open = click("Open");
  const double translate = click("Translate");
  const double save = click("Button1");
  std::printf("%10s %12s %10s %10s %14s\n", "open ms", "translate ms", "save ms", "total ms",
              "peak MiB now");
  std::printf("%10.1f %12.1f %10.1f %10.1f %14ld\n", open, translate, save, open + translate + save,
              PeakMiB());

  KeyRun run(keySeconds);
  auto* memo1 = form.findChild<QAbstractScrollArea*>("Memo1");
  auto* memo2 = form.findChild<QAbstractScrollArea*>("Memo2");
  auto* memo3 = form.findChild<QAbstractScrollArea*>("Memo3");
  BrowsePane(run, memo1, "Memo1 (wrap on)");
  BrowsePane(run, memo2, "Memo2 (wrap on)");
  BrowsePane(run, memo3, "Memo3 (wrap off)");
  SelectTheWholePane(run, memo3);
  WalkTheRouteLine(run, memo3);
  run.Print();

  if (!run.Stopped()) {
    std::printf("idle CPU, caret on the route line: %.1f%% of a core\n", IdleCpuPercent(5));
  } else {
    std::printf("idle CPU: not measured, the caret did not reach the route line in time\n");
  }
  // A wrapping pane with the caret at the end of one 20 MB line: idle stays idle.
  auto* wrapping = form.findChild<Memo*>("Memo1");
  std::string line;
  while (line.size() < (20u << 20))
    line.append("22.62597,37.59725,0 ");
  wrapping->setFocus();
  const double load = Timed([&] { TextPane(wrapping->Storage()).LoadBytes(line); });
  QApplication::processEvents();
  const double toEnd = Timed([&] {
    QTest::keyClick(wrapping, Qt::Key_End, Qt::ControlModifier);
    QApplication::processEvents();
  });
  std::printf(
      "a 20 MB line in a wrapping pane: load %.1f ms, Ctrl+End %.1f ms, idle CPU %.1f%% "
      "of a core\n",
      load, toEnd, IdleCpuPercent(5));
  std::printf("peak memory: %ld MiB\n", PeakMiB());
  std::filesystem::remove_all(dir);
  return 0;
}
