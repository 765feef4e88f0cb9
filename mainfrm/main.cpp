// trackkml: the window that converts one export at a time.
#include <QApplication>
#include <QIcon>
#include <csignal>

#include "about_entry.h"
#include "app_title.h"
#include "dialogs.h"
#include "mainfrm.h"

int main(int argc, char** argv) {
#ifndef _WIN32
  // Saving into a pipe whose reader has gone is a failed save, not the end of the program.
  std::signal(SIGPIPE, SIG_IGN);
#endif
  QApplication app(argc, argv);
  const std::string title =
      ApplicationTitle(QApplication::applicationFilePath().toLocal8Bit().toStdString());
  QApplication::setApplicationName(QString::fromLocal8Bit(title.c_str()));
#ifndef _WIN32
  // The icon the package installs under the desktop's icon theme (Windows takes the one in
  // the program's resources).
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("trackkml")));
#endif

  QtFileAsker asker;
  QtErrorShower errors;
  TForm1 Form1(title, asker, errors);
  Form1.show();
  AddAboutEntry(Form1, QString::fromLocal8Bit(title.c_str()), QStringLiteral(TRACKKML_VERSION));
  // The files given on the command line, as a file manager gives those opened with trackkml.
  Form1.OpenGiven(QApplication::arguments().mid(1));
  QApplication::exec();
  return 0;  // closing the window ends the program, always with 0
}
