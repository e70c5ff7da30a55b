#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class ActivationTarget;
class QWidget;

// The program's file dialogs: files to open, one file to save, a folder.
// Every window asks through here, so that tests can answer instead of a
// person (setAnswer) and the dialogs behave alike: modal over `parent`,
// non-native in test mode, the window `below` (when given) runs its
// activation steps when one closes.
namespace FileChooser {

enum class Mode { OpenFile, OpenFiles, SaveFile, Folder };

struct Request
{
    Mode mode = Mode::OpenFile;
    QWidget *parent = nullptr;
    ActivationTarget *below = nullptr;
    QString caption;
    // The folder, or the file in a folder, the dialog starts at.
    QString start;
    // Name filters, separated by ";;".
    QString filter;
    // Added to a file to save that is given without one.
    QString suffix;
    // The dialog's object name, for the tests that answer the real dialog.
    QString objectName;
};

// What a test answers for a request: the chosen files, none for Cancel.
using Answer = std::function<QStringList(const Request &request)>;
// Answers every request with `answer` instead of showing a dialog; an empty
// function shows the dialogs again.
void setAnswer(Answer answer);

// The chosen files (one for every mode but OpenFiles), none when cancelled.
QStringList choose(const Request &request);

// The one chosen file or folder of `request`, or an empty text.
QString chooseOne(const Request &request);

} // namespace FileChooser
