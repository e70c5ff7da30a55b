#include "tool/TrashTool.h"

#include "store/book/Trash.h"
#include "store/table/BookLockFile.h"
#include "store/table/ProgramError.h"
#include "tool/CommandFailure.h"

#include <QFileInfo>

#include <cstdio>

using RecipeBook::Trash;

namespace {

void printLine(const QString &line)
{
    std::printf("%s\n", line.toLocal8Bit().constData());
}

QString describe(const Trash::Entry &entry)
{
    const QString when = entry.deleted.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    switch (entry.kind) {
    case Trash::Kind::MainGroup:
        return QStringLiteral("%1  main group  %2  (%3 subgroups, %4 recipes)")
            .arg(when, entry.name)
            .arg(entry.subgroups)
            .arg(entry.recipes);
    case Trash::Kind::Subgroup:
        return QStringLiteral("%1  subgroup    %2  in %3  (%4 recipes)")
            .arg(when, entry.name, entry.mainGroup)
            .arg(entry.recipes);
    case Trash::Kind::Recipe:
        break;
    }
    return QStringLiteral("%1  recipe      %2  in %3 / %4").arg(when, entry.name, entry.mainGroup, entry.subgroup);
}

} // namespace

QString trashUsage()
{
    return QStringLiteral("       mealdeck-data trash DIR [--restore NAME | --empty]\n");
}

int trashCommand(const QStringList &arguments)
{
    const bool list = arguments.size() == 1;
    const bool restore = arguments.size() == 3 && arguments.at(1) == QLatin1String("--restore");
    const bool empty = arguments.size() == 2 && arguments.at(1) == QLatin1String("--empty");
    if (!list && !restore && !empty)
        return wrongArguments("usage:" + trashUsage().mid(6));
    const QString data = arguments.at(0) + QStringLiteral("/Data");
    if (!QFileInfo(data).isDir())
        return commandFailed(QStringLiteral("%1 is not a recipe book (no Data folder)").arg(arguments.at(0)));
    // A change is refused while the program or another command holds the
    // book, on this computer or another one sharing the folder.
    BookLockFile lock(data);
    if (!list && lock.take() == BookLockFile::Outcome::Held)
        return commandFailed(lock.refusal());
    if (list && !QFileInfo::exists(Trash::fileName(data))) {
        printLine(QStringLiteral("The trash is empty"));
        return 1;
    }
    Trash trash(data, data + QStringLiteral("/Pics/"));
    if (!list)
        trash.settle();
    if (list) {
        const QVector<Trash::Entry> entries = trash.entries();
        for (const Trash::Entry &entry : entries)
            printLine(describe(entry));
        if (entries.isEmpty()) {
            printLine(QStringLiteral("The trash is empty"));
            return 1;
        }
        return 0;
    }
    if (empty) {
        const int count = int(trash.entries().size());
        trash.empty();
        printLine(QStringLiteral("Emptied the trash (%1 deletion%2 destroyed)").arg(count).arg(count == 1 ? "" : "s"));
        return 0;
    }
    const std::optional<Trash::Entry> entry = trash.findByName(arguments.at(2));
    if (!entry) {
        printLine(QStringLiteral("Nothing named \"%1\" is in the trash").arg(arguments.at(2)));
        return 1;
    }
    const Trash::Restored done = trash.restore(entry->id);
    QString where = done.mainGroup;
    if (!done.subgroup.isEmpty())
        where += QStringLiteral(" / ") + done.subgroup;
    if (!done.recipe.isEmpty())
        where += QStringLiteral(" / ") + done.recipe;
    printLine(QStringLiteral("Restored %1").arg(where));
    for (const QString &line : done.renamed)
        printLine(line);
    return 0;
}
