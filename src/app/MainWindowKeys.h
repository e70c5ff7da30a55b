#pragma once

#include <QObject>

struct MainWindowPanes;
class RecipeEditors;
class QWidget;
class TFormPaa;

// The main window's keys and pointer moves over its lists and editors: Enter,
// Escape and Delete move between the lists and run their commands, F1 and F2
// show the help and the quick guide, and pointing at the description empties
// its placeholder. The window sees the keys before its controls.
class MainWindowKeys : public QObject
{
    Q_OBJECT

public:
    MainWindowKeys(TFormPaa &window, MainWindowPanes &panes, RecipeEditors &editors);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool keyPressInList(QObject *watched, int key, Qt::KeyboardModifiers modifiers);
    // A key that moves to the list `pane`, selecting as a click on it does
    // (`click`), or that runs a command of the window; both take the key.
    bool moveTo(void (TFormPaa::*click)(), QWidget *pane);
    bool runCommand(const char *objectName);
    void showQuickGuide();

    TFormPaa &m_w;
    MainWindowPanes &m_panes;
    RecipeEditors &m_editors;
    bool m_forwardingKey = false;
};
