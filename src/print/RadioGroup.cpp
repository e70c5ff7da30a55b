#include "print/RadioGroup.h"

#include <QEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QRadioButton>

TRadioGroup::TRadioGroup(const QString &caption, const QStringList &items, int columns, QWidget *parent)
    : QGroupBox(caption, parent)
{
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(2, 2, 0, 2);
    layout->setVerticalSpacing(2);
    layout->setHorizontalSpacing(2);
    const int perColumn = (int(items.size()) + columns - 1) / qMax(1, columns);
    for (int i = 0; i < items.size(); ++i) {
        auto *button = new QRadioButton(items.at(i), this);
        button->setAutoExclusive(false);
        button->installEventFilter(this);
        layout->addWidget(button, i % perColumn, i / perColumn);
        m_buttons.append(button);
        connect(button, &QRadioButton::clicked, this, [this, i]() {
            SetItemIndex(i);
            m_buttons.at(i)->setChecked(true);
        });
    }
    updateTabStop();
}

void TRadioGroup::SetItemIndex(int index)
{
    if (index < -1 || index >= m_buttons.size() || index == m_index)
        return;
    m_index = index;
    for (int i = 0; i < m_buttons.size(); ++i)
        m_buttons.at(i)->setChecked(i == index);
    updateTabStop();
    if (OnClick)
        OnClick();
}

QString TRadioGroup::ItemText(int index) const
{
    return index >= 0 && index < m_buttons.size() ? m_buttons.at(index)->text() : QString();
}

// Only the selected button (the first while none is) is reached with Tab;
// the others take the focus by a click or by the arrow keys.
void TRadioGroup::updateTabStop()
{
    const int stop = m_index >= 0 ? m_index : 0;
    for (int i = 0; i < m_buttons.size(); ++i)
        m_buttons.at(i)->setFocusPolicy(i == stop ? Qt::StrongFocus : Qt::ClickFocus);
}

// The arrow keys select the previous or next item, round the group, and
// take the focus with them.
bool TRadioGroup::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int from = int(m_buttons.indexOf(qobject_cast<QRadioButton *>(watched)));
        const auto *key = static_cast<QKeyEvent *>(event);
        int step = 0;
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
            if (key->key() == Qt::Key_Down || key->key() == Qt::Key_Right)
                step = 1;
            else if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Left)
                step = -1;
        }
        if (from >= 0 && step != 0) {
            const int count = int(m_buttons.size());
            int to = from;
            for (int tries = 0; tries < count; ++tries) {
                to = (to + step + count) % count;
                if (m_buttons.at(to)->isEnabled())
                    break;
            }
            QRadioButton *target = m_buttons.at(to);
            target->setFocus(Qt::TabFocusReason);
            SetItemIndex(to);
            target->setChecked(true);
            return true;
        }
    }
    return QGroupBox::eventFilter(watched, event);
}
