#pragma once

#include <QObject>

struct MainWindowPanes;
class RecipeEditors;
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
    void showQuickGuide();

    TFormPaa &m_w;
    MainWindowPanes &m_panes;
    RecipeEditors &m_editors;
    bool m_forwardingKey = false;
};
