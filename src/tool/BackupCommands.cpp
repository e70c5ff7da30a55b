#include "tool/BackupCommands.h"

#include "store/backup/BookBackup.h"
#include "store/backup/BookRestore.h"
#include "store/table/BookLockFile.h"
#include "store/table/ProgramError.h"
#include "tool/CommandFailure.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <cstdio>

namespace {

void say(const QString &line)
{
    std::printf("%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

// Runs a step of the restore; its failure says that the book was left as it was.
template<typename Step>
void leavingBookUnchanged(Step step)
{
    try {
        step();
    } catch (const StoreError &e) {
        const QString error = e.message();
        throw StoreError(error + QLatin1String(error.endsWith(QLatin1Char('.')) ? " " : ". ")
                         + QStringLiteral("Nothing was changed."));
    }
}

} // namespace

namespace BackupCommands {

int backup(const QStringList &arguments)
{
    if (arguments.isEmpty() || arguments.size() > 2)
        return commandFailed(QStringLiteral("usage: mealdeck-data backup DIR [OUT]"));
    const QString data = QDir(arguments.at(0)).absoluteFilePath(QStringLiteral("Data"));
    QString out = arguments.value(1, QDir::currentPath());
    if (QFileInfo(out).isDir())
        out = QDir(out).absoluteFilePath(BookBackup::defaultFileName(QDate::currentDate()));
    if (QFileInfo::exists(out))
        return commandFailed(QStringLiteral("%1 already exists; give another name").arg(out));
    const BookBackup::Written written = BookBackup::writeBackup(data, out);
    for (const QString &line : written.skipped)
        say(line);
    say(QStringLiteral("Backed up %1 to %2").arg(BookBackup::describe(written.contents), out));
    return written.skipped.isEmpty() ? 0 : 1;
}

int restore(const QStringList &arguments)
{
    const bool yes = arguments.contains(QStringLiteral("--yes"));
    QStringList plain = arguments;
    plain.removeAll(QStringLiteral("--yes"));
    if (plain.size() != 2)
        return commandFailed(QStringLiteral("usage: mealdeck-data restore DIR FILE [--yes]"));
    const QString data = QDir(plain.at(0)).absoluteFilePath(QStringLiteral("Data"));
    if (!QFileInfo(plain.at(0)).isDir())
        return commandFailed(QStringLiteral("The folder %1 does not exist").arg(plain.at(0)));

    // The program keeps the book's lock while it runs; the restore takes it
    // too, so that the program cannot start on the book meanwhile.
    BookLockFile lock(data);
    if (QFileInfo(data).isDir() && lock.take() == BookLockFile::Outcome::Held)
        return commandFailed(lock.refusal());

    BookRestore restore(data, plain.at(1));
    leavingBookUnchanged([&restore] { restore.check(); });
    const BookBackup::Contents &contents = restore.contents();
    say(QStringLiteral("The backup of %1 holds %2.")
            .arg(contents.date.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                 BookBackup::describe(contents)));
    if (!yes) {
        std::printf("Replace the book in %s with it? [y/N] ", data.toLocal8Bit().constData());
        std::fflush(stdout);
        const QString answer = QTextStream(stdin).readLine().trimmed();
        if (answer.compare(QLatin1String("y"), Qt::CaseInsensitive) != 0
            && answer.compare(QLatin1String("yes"), Qt::CaseInsensitive) != 0) {
            say(QStringLiteral("Nothing was changed."));
            return 1;
        }
    }
    leavingBookUnchanged([&restore] { restore.replace(); });
    if (!restore.automaticBackup().isEmpty())
        say(QStringLiteral("The book before the restore was backed up to %1").arg(restore.automaticBackup()));
    if (!restore.keptAs().isEmpty())
        say(QStringLiteral("The replaced book is kept in %1").arg(restore.keptAs()));
    say(QStringLiteral("Restored %1 into %2").arg(BookBackup::describe(contents), data));
    if (!restore.automaticBackupError().isEmpty()) {
        say(QStringLiteral("No backup of the replaced book was made: %1").arg(restore.automaticBackupError()));
        return 1;
    }
    return 0;
}

} // namespace BackupCommands
