// What screen readers read of a pane control: its text, caret and selections, text by
// character, word and line around any place, where characters stand, and edits, through
// Qt's accessibility interfaces (AT-SPI on Linux, UI Automation on Windows).
#pragma once

// Makes Qt ask for the pane controls' own accessible interface; once is enough.
void InstallMemoAccessibility();
