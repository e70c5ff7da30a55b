// mealdeck-data: works on a recipe book from the command line.
//   mealdeck-data init DIR [--starter]
//   mealdeck-data check DIR
//   mealdeck-data backup DIR [OUT]
//   mealdeck-data restore DIR FILE [--yes]
//   mealdeck-data search DIR WORDS... [--limit N]
//   mealdeck-data trash DIR [--restore NAME | --empty]
//   mealdeck-data import DIR FILE... [--main-group NAME] [--keep-main-groups] [--encoding NAME]
//   mealdeck-data shopping DIR "RECIPE=PORTIONS"... [--menu]
//   mealdeck-data export DIR OUT [--format mealmaster|jsonld] [--main-group NAME | --subgroup NAME | --recipe NAME]

#include "store/BackupCommands.h"
#include "store/BookCheck.h"
#include "store/DataToolImportExport.h"
#include "store/RecipeBook.h"
#include "store/SearchCommand.h"
#include "store/ShoppingCommand.h"
#include "store/TrashTool.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QList>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Creates `path` and its missing parents as mkdir -p does, working on the
// bytes of the name so that any name the file system takes will do. The
// folders made are listed in `made`, outermost first.
bool makePath(const QByteArray &path, QList<QByteArray> *made, QString *error)
{
    QByteArray current;
    int from = 0;
    while (from <= path.size()) {
        int slash = path.indexOf('/', from);
        if (slash < 0)
            slash = int(path.size());
        current = path.left(slash);
        from = slash + 1;
        if (current.isEmpty() || current.endsWith('/'))
            continue;
        struct stat info;
        if (::stat(current.constData(), &info) == 0) {
            if (!S_ISDIR(info.st_mode)) {
                *error = QStringLiteral("%1 is not a folder").arg(QFile::decodeName(current));
                return false;
            }
            continue;
        }
        if (::mkdir(current.constData(), 0777) != 0 && errno != EEXIST) {
            *error = QStringLiteral("Cannot create %1: %2")
                         .arg(QFile::decodeName(current), QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        made->append(current);
    }
    return true;
}

void removeMade(const QList<QByteArray> &made)
{
    for (auto it = made.crbegin(); it != made.crend(); ++it)
        ::rmdir(it->constData());
}

// Checks the book in DIR/Data without changing it. Exit 0 when all is well,
// 1 when something was found, 2 when the book cannot be opened.
int check(const QByteArray &folder)
{
    // A folder name that is not UTF-8 is reached through an open descriptor,
    // whose /proc path is plain ASCII.
    QString path = QFile::decodeName(folder);
    int descriptor = -1;
    if (QFile::encodeName(path) != folder) {
        descriptor = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (descriptor < 0) {
            std::fprintf(stderr, "mealdeck-data: Cannot open %s: %s\n", folder.constData(), std::strerror(errno));
            return 2;
        }
        path = QStringLiteral("/proc/self/fd/%1").arg(descriptor);
    }
    BookCheck book(path + QStringLiteral("/Data"));
    const BookCheck::Outcome outcome = book.run();
    if (descriptor >= 0)
        ::close(descriptor);
    if (outcome == BookCheck::Outcome::Unopenable) {
        QString why = book.lines().value(0);
        why.replace(path, QFile::decodeName(folder));
        std::fprintf(stderr, "mealdeck-data: %s\n", why.toLocal8Bit().constData());
        return 2;
    }
    for (const QString &line : book.lines())
        std::printf("%s\n", line.toLocal8Bit().constData());
    if (outcome == BookCheck::Outcome::Sound) {
        std::printf("All well\n");
        return 0;
    }
    std::printf("%d problem%s found\n", book.findings(), book.findings() == 1 ? "" : "s");
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const QString usage = QStringLiteral("usage: mealdeck-data init DIR [--starter]\n"
                                         "       mealdeck-data check DIR\n"
                                         "       mealdeck-data backup DIR [OUT]\n"
                                         "       mealdeck-data restore DIR FILE [--yes]\n"
                                         "       mealdeck-data search DIR WORDS... [--limit N]\n"
                                         "       mealdeck-data import DIR FILE... [--main-group NAME] [--keep-main-groups] "
                                         "[--encoding NAME]\n"
                                         "       mealdeck-data export DIR OUT [--format mealmaster|jsonld] "
                                         "[--main-group NAME | --subgroup NAME | --recipe NAME]\n"
                                         "       mealdeck-data shopping DIR \"RECIPE=PORTIONS\"... [--menu]\n")

                          + trashUsage()
                          + QStringLiteral("init creates DIR/Data with the three empty tables and Pics; with --starter "
                                         "a small starter book as well. DIR is created when missing. An existing "
                                         "DIR/Data is left alone.\n"
                                         "check reads the book in DIR/Data without changing it and reports damaged "
                                         "table files, groups and recipes whose group is missing, and missing or "
                                         "stray picture files. Exit 0 when all is well, 1 when something is "
                                         "reported, 2 when the book cannot be opened.\n"
                                         "backup writes DIR/Data into one zip file, OUT or a folder for "
                                         "Mealdeck-<date>.zip (the current folder when left out).\n"
                                         "restore checks FILE whole, shows what it holds, asks (unless --yes) and "
                                         "replaces DIR/Data with it, keeping the old book beside it.\n"
                                         "trash lists what was deleted, newest first; --restore NAME puts the "
                                         "newest deletion of NAME back, --empty destroys everything in the trash. "
                                         "Exit 1 when there is nothing to list or restore.\n"
                                         "search prints the recipes of the book in DIR/Data that contain every "
                                         "word, best first, one a line: name, subgroup and main group separated by "
                                         "tabs (at most N with --limit). Exit 0 with hits, 1 with none, 2 on an "
                                         "error.\n"
                                         "import reads recipe files (Meal-Master, JSON-LD, web pages, Nextcloud "
                                         "Cookbook zips, Paprika) into the book in one transaction; export writes "
                                         "recipes as Meal-Master text or a JSON-LD zip. Exit 0 when all was done, 1 "
                                         "when something was skipped, 2 on an error.\n"
                                         "shopping prints one shopping list for the recipes at those portions (with "
                                         "--menu, for the saved menu as well): amounts of one ingredient added up, one "
                                         "item a line, then a tab and the recipes it comes from.\n");

    if (arguments.size() >= 3 && arguments.at(1) == QLatin1String("backup"))
        return BackupCommands::backup(arguments.mid(2));
    if (arguments.size() >= 3 && arguments.at(1) == QLatin1String("restore"))
        return BackupCommands::restore(arguments.mid(2));
    if (arguments.size() >= 2 && arguments.at(1) == QLatin1String("search"))
        return searchCommand(arguments, usage);
    if (arguments.size() >= 2 && arguments.at(1) == QLatin1String("import"))
        return importCommand(arguments.mid(2));
    if (arguments.size() >= 2 && arguments.at(1) == QLatin1String("shopping"))
        return shoppingCommand(arguments.mid(2), usage);
    if (arguments.size() >= 2 && arguments.at(1) == QLatin1String("export"))
        return exportCommand(arguments.mid(2));
    if (arguments.size() == 3 && arguments.at(1) == QLatin1String("check"))
        return check(QByteArray(argv[2]));
    if (arguments.size() >= 3 && arguments.at(1) == QLatin1String("trash"))
        return trashCommand(arguments.mid(2));
    if (arguments.size() < 3 || arguments.at(1) != QLatin1String("init") || arguments.size() > 4
        || (arguments.size() == 4 && arguments.at(3) != QLatin1String("--starter"))) {
        std::fputs(usage.toLocal8Bit().constData(), stderr);
        return 2;
    }
    const bool starter = arguments.size() == 4;
    // The folder as the bytes it was given: a name that is not valid UTF-8
    // does not survive the trip through a QString.
    const QByteArray folder(argv[2]);
    QList<QByteArray> made;
    QString error;
    if (folder.isEmpty() || !makePath(folder, &made, &error)) {
        if (folder.isEmpty())
            error = QStringLiteral("No folder given");
        std::fprintf(stderr, "mealdeck-data: %s\n", error.toLocal8Bit().constData());
        removeMade(made);
        return 1;
    }
    // Such a name is reached through an open descriptor of the folder, whose
    // /proc path is plain ASCII.
    QString path = QFile::decodeName(folder);
    const QString shown = path;
    int descriptor = -1;
    if (QFile::encodeName(path) != folder) {
        descriptor = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (descriptor < 0) {
            std::fprintf(stderr, "mealdeck-data: Cannot open %s: %s\n", folder.constData(), std::strerror(errno));
            removeMade(made);
            return 1;
        }
        path = QStringLiteral("/proc/self/fd/%1").arg(descriptor);
    }
    const bool created = RecipeBook::createBook(path, starter, &error);
    if (descriptor >= 0)
        ::close(descriptor);
    if (!created) {
        error.replace(path, shown);
        std::fprintf(stderr, "mealdeck-data: %s\n", error.toLocal8Bit().constData());
        removeMade(made);
        return 1;
    }
    std::printf("Created %s/Data%s\n", folder.constData(), starter ? " with the starter book" : "");
    return 0;
}
