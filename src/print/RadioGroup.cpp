#include "print/RadioGroup.h"

#include <QGridLayout>
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
        layout->addWidget(button, i % perColumn, i / perColumn);
        m_buttons.append(button);
        connect(button, &QRadioButton::clicked, this, [this, i]() {
            SetItemIndex(i);
            m_buttons.at(i)->setChecked(true);
        });
    }
}

void TRadioGroup::SetItemIndex(int index)
{
    if (index < -1 || index >= m_buttons.size() || index == m_index)
        return;
    m_index = index;
    for (int i = 0; i < m_buttons.size(); ++i)
        m_buttons.at(i)->setChecked(i == index);
    if (OnClick)
        OnClick();
}

QString TRadioGroup::ItemText(int index) const
{
    return index >= 0 && index < m_buttons.size() ? m_buttons.at(index)->text() : QString();
}
