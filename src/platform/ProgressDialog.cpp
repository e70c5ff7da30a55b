#include "platform/ProgressDialog.h"

#include "platform/Dialogs.h"

#include <QCoreApplication>

#include <limits>

namespace {

// Steps of the bar: a fraction of the work in thousandths.
constexpr int Steps = 1000;

} // namespace

ProgressDialog::ProgressDialog(QWidget *parent, const QString &label, const QString &objectName)
    : m_dialog(label, QStringLiteral("Cancel"), 0, Steps, parent)
{
    m_dialog.setObjectName(objectName);
    m_dialog.setWindowTitle(Dialogs::applicationTitle());
    // The book is being worked on: no window of the program takes input meanwhile.
    m_dialog.setWindowModality(Qt::ApplicationModal);
    // The dialog stays until the work ends, also when a step reaches the end.
    m_dialog.setAutoClose(false);
    m_dialog.setAutoReset(false);
    // The dialog shows when step() finds the half second past, never earlier
    // on a guess of how long the work will take.
    m_dialog.setMinimumDuration(std::numeric_limits<int>::max());
    m_dialog.setValue(0);
    m_clock.start();
}

ProgressDialog::~ProgressDialog() = default;

bool ProgressDialog::update(qint64 done, qint64 total)
{
    if (m_dialog.maximum() != Steps)
        m_dialog.setRange(0, Steps);
    const int value = total > 0 ? int(qBound(qint64(0), done * Steps / total, qint64(Steps))) : 0;
    if (value != m_dialog.value())
        m_dialog.setValue(value);
    return step();
}

bool ProgressDialog::busy()
{
    if (m_dialog.maximum() != 0)
        m_dialog.setRange(0, 0);
    return step();
}

bool ProgressDialog::step()
{
    if (!m_dialog.isVisible() && !m_dialog.wasCanceled() && m_clock.elapsed() >= ShowAfterMs)
        m_dialog.show();
    QCoreApplication::processEvents();
    return !m_dialog.wasCanceled();
}

void ProgressDialog::setLabel(const QString &label)
{
    if (m_dialog.labelText() != label)
        m_dialog.setLabelText(label);
}

void ProgressDialog::showNow()
{
    m_dialog.show();
    QCoreApplication::processEvents();
}
