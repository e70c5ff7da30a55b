// Backs up or restores a recipe book over and over until it is killed.
// Reports "done N" on stdout after each finished one.
//   store_backup_child backup DATAFOLDER OUTFOLDER
//   store_backup_child restore DATAFOLDER FILE1 FILE2   (alternately)

#include "store/backup/BookBackup.h"
#include "store/backup/BookRestore.h"
#include "store/table/ProgramError.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4)
        return 2;
    const QString data = args.at(2);
    try {
        for (long n = 1;; ++n) {
            if (args.at(1) == QLatin1String("backup")) {
                BookBackup::writeBackup(data, args.at(3) + QStringLiteral("/b%1.zip").arg(n));
            } else {
                BookRestore restore(data, args.at(n % 2 == 1 ? 4 : 3));
                restore.check();
                restore.replace();
            }
            std::printf("done %ld\n", n);
            std::fflush(stdout);
        }
    } catch (const StoreError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
    }
    return 1;
}
