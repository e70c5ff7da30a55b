#pragma once

#include <functional>

class QAction;
class QMenu;
class QString;
class QWidget;
class TFormPaa;

// The main window's menu bar and tool bar, built from tables of commands:
// each command's object name, caption, hint and handler. Every handler runs
// in the window's handler guard.
namespace MainWindowMenus {

using Handler = void (TFormPaa::*)();

// Adds to `menu` a command of the window that runs `handler`.
QAction *addCommand(TFormPaa *window, QMenu *menu, const char *objectName, const QString &caption,
                    const QString &hint, Handler handler);
// The menu bar; `fillBookMenu` fills the "&Book" menu, given it and the
// "&Recipe" menu.
void buildMenuBar(TFormPaa *window, const std::function<void(QMenu *book, QMenu *recipe)> &fillBookMenu);
// The tool bar, on `panel`.
void buildToolBar(TFormPaa *window, QWidget *panel);

} // namespace MainWindowMenus
