#include "platform/Dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QList>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

#include <deque>

namespace {

struct TestRecord
{
    bool testMode = qEnvironmentVariableIntValue("MEALDECK_TEST") == 1;
    Dialogs::Responder responder;
    std::deque<Dialogs::Responder> queue;
    QStringList shown;
    QList<Dialogs::Message> messages;
};

TestRecord &record()
{
    static TestRecord r;
    return r;
}

void showBox(Dialogs::Message::Kind kind, const QString &caption, const QString &text)
{
    if (record().testMode) {
        record().messages.append({kind, caption, text});
        return;
    }
    QMessageBox box(kind == Dialogs::Message::Information ? QMessageBox::NoIcon : QMessageBox::Critical, caption,
                    text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

} // namespace

namespace Dialogs {

QString applicationTitle()
{
    return QStringLiteral("Saffrona's Mealdeck");
}

QVBoxLayout *columnLayout(QDialog *dialog, const char *objectName, const QString &caption)
{
    dialog->setObjectName(QLatin1String(objectName));
    dialog->setWindowTitle(caption);
    fitCaption(dialog);
    return new QVBoxLayout(dialog);
}

void fitCaption(QWidget *window)
{
    // The title bar's font is the window manager's; the application font
    // set a little larger stands in for it.
    QFont font = QApplication::font();
    font.setBold(true);
    const int caption = QFontMetrics(font).horizontalAdvance(window->windowTitle());
    window->setMinimumWidth(qMax(window->minimumWidth(), caption * 11 / 10 + 120));
}

void centreOnDesktop(QWidget *window)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen || !window)
        return;
    QMargins frame;
    if (window->isVisible() && window->windowHandle()) {
        frame = window->windowHandle()->frameMargins();
    } else {
        for (QWidget *other : QApplication::topLevelWidgets()) {
            if (other != window && other->isVisible() && other->windowHandle()) {
                frame = other->windowHandle()->frameMargins();
                break;
            }
        }
    }
    const QRect desk = screen->availableGeometry();
    const QSize outer = window->size().grownBy(frame);
    const QPoint frameTopLeft(desk.x() + (desk.width() - outer.width()) / 2,
                              desk.y() + (desk.height() - outer.height()) / 2);
    window->setGeometry(QRect(frameTopLeft + QPoint(frame.left(), frame.top()), window->size()));
}

int screenWidth(int withoutScreen)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().width() : withoutScreen;
}

int exec(QDialog *dialog, ActivationTarget *below)
{
    // A dialog never shown nor sized by hand takes its layout's size first,
    // so that it is its own size that is centred.
    if (!dialog->isVisible() && !dialog->testAttribute(Qt::WA_Resized))
        dialog->adjustSize();
    centreOnDesktop(dialog);
    int result = QDialog::Rejected;
    TestRecord &r = record();
    if (r.testMode) {
        r.shown.append(dialog->objectName());
        Responder responder;
        if (!r.queue.empty()) {
            responder = r.queue.front();
            r.queue.pop_front();
        } else {
            responder = r.responder;
        }
        // Shown on the offscreen platform, so that the dialog's own show and
        // activation steps run as they would for a person.
        dialog->setResult(QDialog::Rejected);
        dialog->show();
        if (responder) {
            responder(dialog);
        } else {
            qWarning("Dialog '%s' shown in a test without a responder: rejected", qPrintable(dialog->objectName()));
        }
        if (dialog->isVisible())
            dialog->reject();
        result = dialog->result();
    } else {
        result = dialog->exec();
    }
    if (below)
        below->runActivation();
    return result;
}

void information(const QString &text)
{
    showBox(Message::Information, applicationTitle(), text);
}

void error(const QString &text)
{
    showBox(Message::Error, applicationTitle(), text);
}

void fatal(const QString &caption, const QString &text)
{
    showBox(Message::Fatal, caption, text);
}

void setTestMode(bool on)
{
    record().testMode = on;
}

bool testMode()
{
    return record().testMode;
}

void setResponder(Responder responder)
{
    record().responder = std::move(responder);
}

void queueResponse(Responder responder)
{
    record().queue.push_back(std::move(responder));
}

int pendingResponses()
{
    return int(record().queue.size());
}

QStringList shownDialogs()
{
    return record().shown;
}

QList<Message> messages()
{
    return record().messages;
}

void clearRecord()
{
    record().shown.clear();
    record().messages.clear();
    record().queue.clear();
}

} // namespace Dialogs
