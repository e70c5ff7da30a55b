#pragma once

#include <QGroupBox>
#include <QList>

#include <functional>

class QRadioButton;

// A framed group of radio buttons with one selected item index. Changing the
// index, by a click or by the program, runs OnClick, as the old radio groups
// did; setting the index it already has runs nothing. The group is one tab
// stop, and the arrow keys choose within it.
class TRadioGroup : public QGroupBox
{
    Q_OBJECT

public:
    TRadioGroup(const QString &caption, const QStringList &items, int columns, QWidget *parent = nullptr);

    int ItemIndex() const { return m_index; }
    void SetItemIndex(int index);
    QString ItemText(int index) const;
    QRadioButton *Button(int index) const { return m_buttons.value(index); }
    int Count() const { return int(m_buttons.size()); }

    std::function<void()> OnClick;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void updateTabStop();

    QList<QRadioButton *> m_buttons;
    int m_index = -1;
};
