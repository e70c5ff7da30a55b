#include "print/UpDown.h"

#include <QEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

TUpDown::TUpDown(QLineEdit *associate, QWidget *parent)
    : QWidget(parent)
    , m_associate(associate)
    , m_up(new QToolButton(this))
    , m_down(new QToolButton(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QToolButton *button : {m_up, m_down}) {
        button->setArrowType(button == m_up ? Qt::UpArrow : Qt::DownArrow);
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        layout->addWidget(button);
    }
    connect(m_up, &QToolButton::clicked, this, &TUpDown::stepUp);
    connect(m_down, &QToolButton::clicked, this, &TUpDown::stepDown);
    m_associate->installEventFilter(this);
    setEnabled(m_associate->isEnabled());
}

void TUpDown::SetRange(int min, int max)
{
    m_min = min;
    m_max = max;
}

void TUpDown::stepUp()
{
    step(1);
}

void TUpDown::stepDown()
{
    step(-1);
}

void TUpDown::step(int direction)
{
    if (!m_associate->isEnabled())
        return;
    bool ok = false;
    const int value = m_associate->text().toInt(&ok);
    int next = ok ? value : m_min;
    // A number outside the range moves only towards it.
    if (ok) {
        if (direction > 0 && value < m_max)
            next = qMin(value + m_increment, m_max);
        else if (direction < 0 && value > m_min)
            next = qMax(value - m_increment, m_min);
    }
    m_associate->setText(QString::number(next));
}

bool TUpDown::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_associate && event->type() == QEvent::EnabledChange)
        setEnabled(m_associate->isEnabled());
    return QWidget::eventFilter(watched, event);
}
