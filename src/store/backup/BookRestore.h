#pragma once

#include "store/backup/BookBackup.h"

#include <QString>

namespace BookBackup {

// Reads the backup `file` whole into the empty folder `folder` and checks it:
// only zip entries with the names of a book's files (no absolute paths, no
// "..", no links, no folders inside folders of Pics), none larger than the
// limits and at most MaxEntries, each with the SHA-256 its manifest gives,
// every table file whole (integrity check) with the program's schema, and
// the counts of the manifest. Returns what the manifest says it holds.
// Throws BackupRefused saying why the file is refused, StoreError when the
// folder cannot be written and StoreCancelled when the progress callback
// cancelled; what was unpacked stays in `folder` for the caller to remove.
Contents unpackBackup(const QString &file, const QString &folder, const Progress &progress = {});

} // namespace BookBackup

// Replacing the book in a data folder by a backup. check() unpacks and checks
// the backup in a folder beside `Data` without touching the book; replace()
// then makes an automatic backup of the book and swaps the two folders in one
// rename, keeping the replaced book as `Data.before-restore-<date>`. A crash
// at any point leaves `Data` wholly the old book or wholly the restored one.
// When `Data` is a symbolic link (a book kept in a synced folder), the folder
// it points to is replaced and the link stays; the replaced book is kept
// beside that folder. The restored folder takes the old one's permissions.
// The caller makes sure nothing writes to the book meanwhile (the command line
// holds the book's lock; the program runs the restore from a modal dialog).
class BookRestore
{
public:
    BookRestore(const QString &dataFolder, const QString &backupFile);
    // Removes the unpacked folder unless it became the book.
    ~BookRestore();
    Q_DISABLE_COPY_MOVE(BookRestore)

    // Throws as unpackBackup() does; nothing unpacked is left then.
    void check(const BookBackup::Progress &progress = {});
    const BookBackup::Contents &contents() const { return m_contents; }

    // After a successful check(). Throws StoreError when the swap failed (or
    // StoreCancelled when the backup before it was cancelled); the book is
    // then as it was.
    void replace(const BookBackup::Progress &progress = {});
    // Where the replaced book was kept.
    QString keptAs() const { return m_keptAs; }
    // The automatic backup made before the swap, or empty with the reason in
    // automaticBackupError() (the restore goes on: the old book is kept anyway).
    QString automaticBackup() const { return m_automaticBackup; }
    QString automaticBackupError() const { return m_automaticBackupError; }

private:
    QString m_data;
    QString m_folder; // the book's folder: m_data, or where the link m_data points
    QString m_file;
    QString m_unpacked;
    BookBackup::Contents m_contents;
    QString m_keptAs;
    QString m_automaticBackup;
    QString m_automaticBackupError;
};
