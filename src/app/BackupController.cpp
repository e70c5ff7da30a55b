#include "app/BackupController.h"

#include "app/FormPaa.h"
#include "platform/Dialogs.h"
#include "platform/FileChooser.h"
#include "platform/Hints.h"
#include "platform/ProgressDialog.h"
#include "settings/SettingsStore.h"
#include "store/backup/BookBackup.h"
#include "store/table/BookLockFile.h"
#include "store/backup/BookRestore.h"
#include "store/book/Book.h"
#include "store/table/ProgramError.h"
#include "store/table/ProgramPaths.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QThread>
#include <QTextStream>
#include <QVBoxLayout>

#include <memory>

namespace {

// The backup file to write (`save`) or to restore from, starting at `start`;
// empty when cancelled.
QString chooseFile(QWidget *parent, bool save, const QString &start)
{
    FileChooser::Request request;
    request.mode = save ? FileChooser::Mode::SaveFile : FileChooser::Mode::OpenFile;
    request.parent = parent;
    request.caption = save ? QStringLiteral("Back Up Book") : QStringLiteral("Restore Book");
    request.start = start;
    request.filter = QStringLiteral("Backups (*.zip);;All files (*)");
    request.suffix = save ? QStringLiteral("zip") : QString();
    return FileChooser::chooseOne(request);
}

// The folder of the last backup file chosen, or the one beside the book.
QString lastFolder()
{
    SettingsKey key;
    if (key.open() && key.valueExists(QLatin1String(BackupController::VarmuusKansio))) {
        const QString folder = key.readString(QLatin1String(BackupController::VarmuusKansio));
        if (QFileInfo(folder).isDir())
            return folder;
    }
    return QFileInfo(ProgramPaths::dataFolder()).absolutePath();
}

void rememberFolder(const QString &file)
{
    SettingsKey key;
    if (key.open())
        key.writeString(QLatin1String(BackupController::VarmuusKansio), QFileInfo(file).absolutePath());
}

// Where the backup process leaves why it failed, for the next start.
QString failureNote(const QString &dataFolder)
{
    return dataFolder + QStringLiteral("/Mealdeck-backup-failed.txt");
}

bool automaticBackupsOn()
{
    SettingsKey key;
    if (!key.open() || !key.valueExists(QLatin1String(BackupController::AutoVarmuus)))
        return true;
    return key.readBool(QLatin1String(BackupController::AutoVarmuus));
}

// The progress of a backup or restore over `parent`; its Cancel stops the work.
class Progress : public ProgressDialog
{
public:
    Progress(QWidget *parent, const QString &label)
        : ProgressDialog(parent, label, QStringLiteral("VarmuusEdistyminen"))
    {
    }

    BookBackup::Progress callback()
    {
        return [this](qint64 done, qint64 total) { return update(done, total); };
    }
};

// The restore question: what the backup holds, Yes and No.
bool askRestore(TFormPaa *window, const QString &file, const BookBackup::Contents &contents)
{
    QDialog dialog(window);
    dialog.setObjectName(QStringLiteral("FormPalauta"));
    dialog.setWindowTitle(QStringLiteral("Saffrona's Mealdeck   -   Restore Book"));
    auto *layout = new QVBoxLayout(&dialog);
    // Lines broken by hand: a word-wrapped label makes the dialog too short.
    auto *text = new QLabel(
        QStringLiteral("<p>Replace the recipe book with the backup<br><b>%1</b>?</p>"
                       "<p>Made on %2, it holds<br>%3.</p>"
                       "<p>The book as it is now is backed up first, then kept beside<br>"
                       "the restored one as \"Data.before-restore-&lt;date&gt;\".</p>")
            .arg(QFileInfo(file).fileName().toHtmlEscaped(),
                 QLocale().toString(contents.date.toLocalTime(), QStringLiteral("d MMMM yyyy, HH:mm")).toHtmlEscaped(),
                 BookBackup::describe(contents)),
        &dialog);
    text->setObjectName(QStringLiteral("LabelPalauta"));
    text->setTextFormat(Qt::RichText);
    layout->addWidget(text);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Yes | QDialogButtonBox::No, &dialog);
    buttons->button(QDialogButtonBox::Yes)->setObjectName(QStringLiteral("BitBtnYes"));
    buttons->button(QDialogButtonBox::No)->setObjectName(QStringLiteral("BitBtnNo"));
    buttons->button(QDialogButtonBox::No)->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    dialog.adjustSize();
    return Dialogs::exec(&dialog, window) == QDialog::Accepted;
}

void backUpBook(TFormPaa *window)
{
    const QString suggested = QDir(lastFolder()).absoluteFilePath(BookBackup::defaultFileName(QDate::currentDate()));
    const QString file = chooseFile(window, true, suggested);
    if (file.isEmpty())
        return;
    rememberFolder(file);
    BookBackup::Written written;
    try {
        Progress progress(window, QStringLiteral("Backing up the recipe book..."));
        written = BookBackup::writeBackup(window->book()->dataFolder(), file, progress.callback());
    } catch (const StoreCancelled &) {
        return;
    } catch (const StoreError &e) {
        // Told as news, not as a fault of the program.
        Dialogs::information(e.message());
        return;
    }
    QString message = QStringLiteral("The recipe book was backed up to\n%1\n\nThe backup holds %2.")
                          .arg(QDir::toNativeSeparators(file), BookBackup::describe(written.contents));
    if (!written.skipped.isEmpty())
        message += QStringLiteral("\n\nNot carried:\n") + written.skipped.mid(0, 10).join(QLatin1Char('\n'));
    Dialogs::information(message);
}

void restoreBook(TFormPaa *window)
{
    const QString file = chooseFile(window, false, lastFolder());
    if (file.isEmpty())
        return;
    rememberFolder(file);
    auto restore = std::make_unique<BookRestore>(window->book()->dataFolder(), file);
    // One step of the restore with its progress; a failure is told, a cancel is not.
    const auto step = [window](const QString &label, const std::function<void(BookBackup::Progress)> &work) {
        try {
            Progress progress(window, label);
            work(progress.callback());
            return true;
        } catch (const StoreCancelled &) {
            return false;
        } catch (const StoreError &e) {
            Dialogs::information(e.message() + QStringLiteral("\nThe recipe book was not changed."));
            return false;
        }
    };
    if (!step(QStringLiteral("Checking the backup..."),
              [&](const BookBackup::Progress &progress) { restore->check(progress); }))
        return;
    if (!askRestore(window, file, restore->contents()))
        return;
    // What the user typed goes into the book being replaced, which is kept.
    window->storeEditsUnasked();
    if (!step(QStringLiteral("Backing up the recipe book before the restore..."),
              [&](const BookBackup::Progress &progress) { restore->replace(progress); }))
        return;
    window->openRestoredBook();
    QString message
        = QStringLiteral("The recipe book was restored from the backup made on %1.\n\n"
                         "The book it replaced is kept in\n%2")
              .arg(QLocale().toString(restore->contents().date.toLocalTime(), QStringLiteral("d MMMM yyyy, HH:mm")),
                   QDir::toNativeSeparators(restore->keptAs()));
    if (!restore->automaticBackupError().isEmpty())
        message += QStringLiteral("\n\nIt could not be backed up first: %1").arg(restore->automaticBackupError());
    Dialogs::information(message);
}

// Says why the backup at the program's end failed, on standard error and in
// the note that the next start shows.
void noteFailedBackup(const QString &dataFolder, const QString &error)
{
    QTextStream(stderr) << "Automatic backup: " << error << '\n';
    QFile file(failureNote(dataFolder));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(error.toUtf8());
}

} // namespace

BackupController::BackupController(TFormPaa *window, QMenu *menu) : QObject(window)
{
    menu->addSeparator();
    QAction *backUp
        = Hints::addMenuCommand(window, menu, "MenuVarmuuskopioi", QStringLiteral("&Back Up Book..."),
                    QStringLiteral("|Write the whole recipe book, pictures included, into one backup file."));
    QObject::connect(backUp, &QAction::triggered, this,
                     [window] { Dialogs::guard([window] { backUpBook(window); }); });
    QAction *restore = Hints::addMenuCommand(window, menu, "MenuPalauta", QStringLiteral("&Restore Book..."),
                                 QStringLiteral("|Replace the recipe book with the one in a backup file."));
    QObject::connect(restore, &QAction::triggered, this,
                     [window] { Dialogs::guard([window] { restoreBook(window); }); });
    QAction *automatic = Hints::addMenuCommand(
        window, menu, "MenuAutoVarmuus", QStringLiteral("&Automatic Daily Backups"),
        QStringLiteral("|Back up the recipe book into the Backups folder once a day when the program ends."));
    automatic->setCheckable(true);
    Dialogs::guard([automatic] { automatic->setChecked(automaticBackupsOn()); });
    QObject::connect(automatic, &QAction::triggered, this, [automatic](bool checked) {
        Dialogs::guard([&] {
            SettingsKey key;
            if (!key.open())
                throw ProgramError(key.errorString());
            key.writeBool(QLatin1String(AutoVarmuus), checked);
        });
        // The item shows what is stored.
        Dialogs::guard([automatic] { automatic->setChecked(automaticBackupsOn()); });
    });
}

void BackupController::backUpAtProgramEnd(const QString &dataFolder, const QString &backupProgram)
{
    bool on = true;
    try {
        on = automaticBackupsOn();
    } catch (const ProgramError &) {
    }
    if (!on || !QFileInfo(dataFolder + QStringLiteral("/Paaryhma.db")).isFile()
        || !BookBackup::automaticBackupDue(dataFolder))
        return;
    // The process outlives the program and whatever reads its output: it
    // writes nowhere but into the book's folder.
    QProcess backup;
    backup.setProgram(backupProgram);
    backup.setArguments({QLatin1String(BackupOption), QFileInfo(dataFolder).absoluteFilePath()});
    backup.setStandardInputFile(QProcess::nullDevice());
    backup.setStandardOutputFile(QProcess::nullDevice());
    backup.setStandardErrorFile(QProcess::nullDevice());
    if (!backupProgram.isEmpty() && backup.startDetached())
        return;
    // No process could be started: the backup is made here, and a failure
    // is told at the next start as the process's would be.
    try {
        BookBackup::makeAutomaticBackup(dataFolder);
    } catch (const StoreError &e) {
        noteFailedBackup(dataFolder, e.message());
    }
}

int BackupController::runBackupAtEnd(const QString &dataFolder, int waitMs)
{
    // The program that started this process holds the lock until it ends.
    BookLockFile lock(dataFolder);
    const QDeadlineTimer deadline(waitMs);
    BookLockFile::Outcome outcome;
    while ((outcome = lock.take()) == BookLockFile::Outcome::Held) {
        // The program runs again (or another copy took the book): its own
        // end makes the backup, since the book is still due one.
        if (deadline.hasExpired())
            return 0;
        QThread::msleep(100);
    }
    if (outcome == BookLockFile::Outcome::Unlockable)
        return 1;
    const QString note = failureNote(dataFolder);
    if (!BookBackup::automaticBackupDue(dataFolder))
        return 0;
    try {
        BookBackup::makeAutomaticBackup(dataFolder);
    } catch (const StoreError &e) {
        // Told at the next start.
        noteFailedBackup(dataFolder, e.message());
        return 1;
    }
    QFile::remove(note);
    return 0;
}

QString BackupController::failedBackupAtEnd(const QString &dataFolder)
{
    QFile file(failureNote(dataFolder));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QString why = QString::fromUtf8(file.read(64 * 1024));
    file.remove();
    return QStringLiteral("The automatic backup of the recipe book when Saffrona's Mealdeck last ended failed:\n%1\n\n"
                          "The book itself is as it was. Back it up with Book > Back Up Book.")
        .arg(why.isEmpty() ? QStringLiteral("unknown reason") : why);
}
