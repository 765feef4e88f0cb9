#include "about_entry.h"

#ifdef _WIN32
#include <windows.h>

#include <QMessageBox>

#include "message_text.h"
#include "window_texts.h"

namespace {

// The entry's command: below the system's own (0xF000 on) and with its low four bits clear,
// as the system menu's commands are.
constexpr UINT kAboutCommand = 0x0010;

}  // namespace

void AddAboutEntry(TForm1& window, const QString& title, const QString& version) {
  const HMENU menu = ::GetSystemMenu(reinterpret_cast<HWND>(window.winId()), FALSE);
  if (menu == nullptr) return;
  const QString entry = QString::fromUtf8(Filled(window_texts::kAboutEntry, {title.toStdString()}));
  ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(menu, MF_STRING, kAboutCommand, reinterpret_cast<const wchar_t*>(entry.utf16()));
  // Qt hands WM_SYSCOMMAND to the window alone, not to the application's native filters,
  // and calls the window's procedure itself for the menu it shows on Alt+Space.
  const QString boxTitle = QString(entry).remove(QLatin1Char('&'));
  const QString text = QString::fromUtf8(
      Filled(window_texts::kAboutText, {title.toStdString(), version.toStdString()}));
  window.SetNativeMessageHandler([&window, boxTitle, text](void* message) {
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message != WM_SYSCOMMAND || (msg->wParam & 0xFFF0) != kAboutCommand) return false;
    QMessageBox::about(&window, boxTitle, text);
    return true;
  });
}

#else

void AddAboutEntry(TForm1&, const QString&, const QString&) {}

#endif
