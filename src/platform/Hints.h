#pragma once

#include <QAbstractScrollArea>
#include <QAction>
#include <QMenu>
#include <QString>
#include <QWidget>

// A control's hint is "short|long": the short part is its tooltip, the long
// part its status bar text. A hint without "|" serves as both.
namespace Hints {

inline QString shortHint(const QString &hint)
{
    const int bar = hint.indexOf(QLatin1Char('|'));
    return bar < 0 ? hint : hint.left(bar);
}

inline QString longHint(const QString &hint)
{
    const int bar = hint.indexOf(QLatin1Char('|'));
    return bar < 0 ? hint : hint.mid(bar + 1);
}

inline void setHint(QWidget *widget, const QString &hint)
{
    widget->setStatusTip(longHint(hint));
    widget->setToolTip(shortHint(hint));
}

// Lets `filter` see the keys of a scrolled pane and of its viewport, and the
// pointer moving over them with no button pressed, as the panes that change
// what they offer under the pointer need.
inline void watchPane(QAbstractScrollArea *pane, QObject *filter)
{
    pane->setMouseTracking(true);
    pane->viewport()->setMouseTracking(true);
    pane->installEventFilter(filter);
    pane->viewport()->installEventFilter(filter);
}

// A menu command of `owner` named `objectName` at the end of `menu`, its
// hint as status bar text and tooltip.
inline QAction *addMenuCommand(QWidget *owner, QMenu *menu, const char *objectName, const QString &caption,
                               const QString &hint)
{
    auto *action = new QAction(caption, owner);
    action->setObjectName(QLatin1String(objectName));
    action->setStatusTip(longHint(hint));
    action->setToolTip(shortHint(hint).isEmpty() ? longHint(hint) : shortHint(hint));
    menu->addAction(action);
    return action;
}

} // namespace Hints
