// mealdeck-search.so: `mealdeck-data search` on its own, loaded by
// mealdeck-data into its own process, so that a search loads the core
// library, SQLite and the C++ library only (no GUI library, no network, no
// plugins, no application object) and no second program has to start:
// starting is most of a search's time.

#include "tool/CommandFailure.h"
#include "tool/NamesNotUtf8.h"
#include "tool/SearchCommand.h"

#include <QFile>

#include <cstdio>

extern "C" __attribute__((visibility("default"))) int mealdeck_search_main(int argc, char *argv[])
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
    const int code = reportingFailure(
        2, [&] { return searchCommand(arguments, QStringLiteral("usage: mealdeck-data search DIR WORDS... [--limit N]\n")); });
    std::fflush(stdout);
    return code;
}
