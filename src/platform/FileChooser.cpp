#include "platform/FileChooser.h"

#include "platform/Dialogs.h"

#include <QFileDialog>
#include <QFileInfo>

namespace FileChooser {

namespace {

Answer &installedAnswer()
{
    static Answer answer;
    return answer;
}

QStringList showDialog(const Request &request)
{
    QFileDialog dialog(request.parent, request.caption, QString(), request.filter);
    if (!request.objectName.isEmpty())
        dialog.setObjectName(request.objectName);
    if (Dialogs::testMode())
        dialog.setOption(QFileDialog::DontUseNativeDialog);
    switch (request.mode) {
    case Mode::OpenFile:
        dialog.setFileMode(QFileDialog::ExistingFile);
        break;
    case Mode::OpenFiles:
        dialog.setFileMode(QFileDialog::ExistingFiles);
        break;
    case Mode::SaveFile:
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(request.suffix);
        break;
    case Mode::Folder:
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        break;
    }
    const QFileInfo start(request.start);
    if (start.isDir()) {
        dialog.setDirectory(request.start);
    } else if (!request.start.isEmpty()) {
        dialog.setDirectory(start.absolutePath());
        dialog.selectFile(start.fileName());
    }
    if (Dialogs::exec(&dialog, request.below) != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

} // namespace

void setAnswer(Answer answer)
{
    installedAnswer() = std::move(answer);
}

QStringList choose(const Request &request)
{
    QStringList files = installedAnswer() ? installedAnswer()(request) : showDialog(request);
    files.removeAll(QString());
    if (request.mode != Mode::OpenFiles && files.size() > 1)
        files = files.mid(0, 1);
    if (request.mode == Mode::SaveFile && !request.suffix.isEmpty() && !files.isEmpty()
        && QFileInfo(files.first()).suffix().isEmpty())
        files.first() += QLatin1Char('.') + request.suffix;
    return files;
}

QString chooseOne(const Request &request)
{
    return choose(request).value(0);
}

} // namespace FileChooser
