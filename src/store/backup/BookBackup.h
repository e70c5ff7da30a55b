#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

// A backup of a whole recipe book: one zip file holding the table files of
// `Data` (taken as one consistent snapshot), the picture files of `Data/Pics`
// and of its subfolders, and `manifest.json` with the program version, the
// date, the counts and the SHA-256 of every other entry. The search index and
// the lock file are left out; the search index is built again when missing.
namespace BookBackup {

// What a backup holds, as its manifest tells.
struct Contents
{
    QString programVersion;
    QDateTime date; // UTC
    qint64 mainGroups = 0;
    qint64 subgroups = 0;
    qint64 recipes = 0;
    qint64 pictures = 0; // picture files directly in Pics
};

// "2 main groups, 3 subgroups, 5 recipes and 1 picture".
QString describe(const Contents &contents);

// Called now and then with the bytes done and the bytes in all; returning
// false cancels the work, which then fails with the reason "Cancelled".
using Progress = std::function<bool(qint64 done, qint64 total)>;

// Limits a backup file must keep; anything beyond them is refused.
constexpr int MaxEntries = 1000000;
constexpr qint64 MaxTableBytes = 64LL * 1024 * 1024 * 1024;
constexpr qint64 MaxManifestBytes = 256LL * 1024 * 1024;

// The table files a backup carries: the three recipe tables, and the trash
// when the book has one.
QStringList recipeTableFiles();
QString trashFile();

// "Mealdeck-<yyyy-MM-dd>.zip", the name a backup made on `date` is offered.
QString defaultFileName(const QDate &date);

// Writes a backup of the book in `dataFolder` to `file`. The zip is written
// under a temporary name in the folder of `file`, flushed to disk and renamed
// into place, so that a file with the final name is always a whole backup; on
// failure nothing is left and a StoreError says why (StoreCancelled when the
// progress callback cancelled). The table files are read in one read
// transaction of a connection of the backup's own, so a program changing the
// book meanwhile waits and the snapshot is consistent.
struct Written
{
    Contents contents;
    // The files of Pics that were not carried (links, devices, pictures over
    // 64 MB), one line each.
    QStringList skipped;
};
Written writeBackup(const QString &dataFolder, const QString &file, const Progress &progress = {});

// ---- Automatic backups ------------------------------------------------------

// `Backups` beside `Data`.
QString backupsFolder(const QString &dataFolder);

// The automatic backups: the daily one at program end, and the one made
// before an import or a restore changes the book. Each kind has its own name
// and its own rule for the old ones, so that a day of imports never evicts
// the daily backups.
enum class Automatic {
    // "Mealdeck-<yyyy-MM-dd-HHmmss>.zip": one per day (a later one that day
    // replaces the earlier), the newest KeptBackups days kept.
    Daily,
    // "Mealdeck-before-import-<yyyy-MM-dd-HHmmss>.zip" and
    // "Mealdeck-before-restore-<...>.zip": the newest KeptChangeBackups kept.
    BeforeImport,
    BeforeRestore,
};
constexpr int KeptBackups = 7;
constexpr int KeptChangeBackups = 3;

// Writes a backup of the book in `dataFolder` into its Backups folder
// (created when missing) under the name of its kind, then removes the old
// backups of that kind beyond what the kind keeps (never `keep`). The file's
// modification time is set to just before the book was read, so that a change
// made meanwhile counts as one made after it. Returns the file written;
// throws StoreError as writeBackup() does.
QString makeAutomaticBackup(const QString &dataFolder, const Progress &progress = {}, const QString &keep = QString(),
                            Automatic kind = Automatic::Daily);

// True when the book in `dataFolder` changed (a table file, the trash, a
// picture) since the newest automatic backup of any kind was made, or when
// there is none.
bool automaticBackupDue(const QString &dataFolder);

} // namespace BookBackup
