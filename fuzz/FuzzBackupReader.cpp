// Reading a backup file: the input is the whole zip file (the corpus holds
// real backups of an empty book and of the starter book with pictures). The
// reader either refuses it with a reason and leaves nothing behind that a
// restore would take, or accepts it; an accepted folder holds the three table
// files, a Pics folder and nothing but files a book has, and nothing was
// written outside the folder it was given.

#include "FuzzSupport.h"
#include "store/backup/BookBackup.h"
#include "store/backup/BookRestore.h"
#include "store/table/ProgramError.h"

#include <QDirIterator>
#include <QFile>

#include <cstdint>

namespace {

QStringList everything(const QString &folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(folder).relativeFilePath(it.next());
    found.sort();
    return found;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Fuzz::ensureCoreApplication();
    const QString base = Fuzz::scratch();
    const QString file = base + QStringLiteral("/input.zip");
    const QString folder = base + QStringLiteral("/book/Data.restoring");
    QDir(base + QStringLiteral("/book")).removeRecursively();
    QDir().mkpath(folder);
    {
        QFile out(file);
        Fuzz::check(out.open(QIODevice::WriteOnly), "cannot write the input");
        out.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    QString error;
    bool accepted = true;
    try {
        BookBackup::unpackBackup(file, folder);
    } catch (const StoreError &e) {
        accepted = false;
        error = e.message();
    }
    for (const QString &name : everything(base + QStringLiteral("/book")))
        Fuzz::check(name.startsWith(QLatin1String("Data.restoring")), "a file was written outside the folder", name);
    if (!accepted) {
        Fuzz::check(!error.isEmpty(), "refused without a reason");
        return 0;
    }
    const QStringList files = everything(folder);
    for (const char *table : {"Paaryhma.db", "Alaryhma.db", "Ohje.db", "Pics"})
        Fuzz::check(files.contains(QLatin1String(table)), "accepted without", QLatin1String(table));
    for (const QString &name : files) {
        const QFileInfo info(folder + QLatin1Char('/') + name);
        Fuzz::check(!info.isSymLink(), "a link was unpacked", name);
        const bool known = name == QLatin1String("Paaryhma.db") || name == QLatin1String("Alaryhma.db")
            || name == QLatin1String("Ohje.db") || name == QLatin1String("Roskakori.db")
            || name == QLatin1String("Pics")
            || (name.startsWith(QLatin1String("Pics/")) && name.count(QLatin1Char('/')) <= 2);
        Fuzz::check(known, "an unknown file was accepted", name);
    }
    return 0;
}
