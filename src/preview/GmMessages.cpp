#include "preview/GmMessages.h"

#include <QApplication>
#include <QMessageBox>

namespace {

struct MessageState
{
    bool testMode = qEnvironmentVariableIntValue("MEALDECK_TEST") == 1;
    GmMessages::Handler handler;
    QStringList recorded;
};

MessageState &state()
{
    static MessageState s;
    return s;
}

} // namespace

namespace GmMessages {

void show(const QString &text)
{
    MessageState &s = state();
    if (s.handler) {
        s.handler(text);
        return;
    }
    if (s.testMode) {
        s.recorded.append(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

void setHandler(Handler handler)
{
    state().handler = std::move(handler);
}

void setTestMode(bool on)
{
    state().testMode = on;
}

bool testMode()
{
    return state().testMode;
}

QStringList recorded()
{
    return state().recorded;
}

void clearRecorded()
{
    state().recorded.clear();
}

} // namespace GmMessages
