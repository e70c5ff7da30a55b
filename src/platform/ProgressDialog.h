#pragma once

#include <QElapsedTimer>
#include <QProgressDialog>
#include <QString>

class QWidget;

// Progress of long work in the windows (an import, an export, a backup or
// restore, laying out a cookbook, fetching a web page): a modal dialog with
// the program's title and Cancel, shown only once the work has taken half a
// second. It shows how much is done when the work knows its amount, and a
// busy bar when it does not. The work calls update() or busy() between its
// steps; they let the windows draw and tell whether the user cancelled.
class ProgressDialog
{
public:
    static constexpr int ShowAfterMs = 500;

    // `objectName` names the dialog for the tests that look for it.
    ProgressDialog(QWidget *parent, const QString &label, const QString &objectName);
    ~ProgressDialog();
    Q_DISABLE_COPY_MOVE(ProgressDialog)

    // `done` of `total` steps are done; false once the user cancelled.
    bool update(qint64 done, qint64 total);
    // The work goes on for a time it cannot tell; false once cancelled.
    bool busy();
    void setLabel(const QString &label);
    // Shows the dialog now rather than after half a second.
    void showNow();
    bool wasCancelled() const { return m_dialog.wasCanceled(); }

private:
    // Shows the dialog once the work has taken half a second; lets the
    // windows draw.
    bool step();

    QProgressDialog m_dialog;
    QElapsedTimer m_clock;
};
