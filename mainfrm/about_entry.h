// The program's version where Windows users look for it: an About entry at the end of the
// window's system menu (the window's own buttons stay as they are).
#pragma once

#include <QString>

#include "mainfrm.h"

// Windows: adds the entry to `window`'s system menu; choosing it shows `title` and `version`
// in a message box. Elsewhere, where the desktop shows the version, nothing.
void AddAboutEntry(TForm1& window, const QString& title, const QString& version);
