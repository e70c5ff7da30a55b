// mealdeck-data-search: `mealdeck-data search` on its own, so that a search
// loads the core library, SQLite and the C++ library only (no GUI library,
// no network, no plugins, no application object), which is most of a search's time at the start.

#include "tool/CommandFailure.h"
#include "tool/NamesNotUtf8.h"
#include "tool/SearchCommand.h"

#include <QFile>

#include <cstdio>

int main(int argc, char *argv[])
{
    // No application object: nothing here needs one, and it costs the
    // start more than the search of a rare word. The arguments are taken
    // as QCoreApplication takes them.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QFile::decodeName(argv[i]);
    QString unusable;
    if (!reachNamesThatAreNotUtf8(argc, argv, 2, 2, &arguments, &unusable))
        return commandFailed(unusable);
    return reportingFailure(
        2, [&] { return searchCommand(arguments, QStringLiteral("usage: mealdeck-data search DIR WORDS... [--limit N]\n")); });
}
