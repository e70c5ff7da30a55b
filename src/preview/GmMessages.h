#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The preview engine's one way of showing a message: a box with the text, one
// OK button, no icon and the application's display name as caption. The
// program may route it elsewhere (its own dialog helper) with setHandler; with
// MEALDECK_TEST=1 in the environment (or test mode switched on) messages are
// recorded instead of shown.
namespace GmMessages {

using Handler = std::function<void(const QString &text)>;

// Shows `text`: through the handler when one is set, else in test mode by
// recording it, else in a plain message box.
void show(const QString &text);

// Replaces the default box; an empty handler restores it.
void setHandler(Handler handler);

void setTestMode(bool on);
bool testMode();

// Texts shown in test mode (without a handler), in order.
QStringList recorded();
void clearRecorded();

} // namespace GmMessages
