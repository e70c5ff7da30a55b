// mealdeck-data-search: `mealdeck-data search` on its own, so that a search
// loads the core library, SQLite and the C++ library only (no GUI library,
// no network, no plugins), which is most of a search's time at the start.

#include "tool/NamesNotUtf8.h"
#include "tool/SearchCommand.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments();
    QString unusable;
    if (!reachNamesThatAreNotUtf8(argc, argv, 2, 2, &arguments, &unusable)) {
        std::fprintf(stderr, "mealdeck-data: %s\n", unusable.toLocal8Bit().constData());
        return 2;
    }
    return searchCommand(arguments, QStringLiteral("usage: mealdeck-data search DIR WORDS... [--limit N]\n"));
}
