#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// Two arrows beside a number box: each press moves the box's number by
// Increment within Min..Max and writes it back as text, which runs the box's
// change handling. The arrows follow the box's enabled state; a box holding
// no number starts from Min.
class TUpDown : public QWidget
{
    Q_OBJECT

public:
    explicit TUpDown(QLineEdit *associate, QWidget *parent = nullptr);

    void SetRange(int min, int max);
    int Min() const { return m_min; }
    int Max() const { return m_max; }
    int Increment() const { return m_increment; }
    void SetIncrement(int increment) { m_increment = increment; }
    QLineEdit *Associate() const { return m_associate; }

    void stepUp();
    void stepDown();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void step(int direction);

    QLineEdit *m_associate;
    QToolButton *m_up;
    QToolButton *m_down;
    int m_min = 0;
    int m_max = 100;
    int m_increment = 1;
};
