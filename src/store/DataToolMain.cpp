// mealdeck-data: creates a new recipe book.
//   mealdeck-data init DIR [--starter]

#include "store/RecipeBook.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const QString usage = QStringLiteral("usage: mealdeck-data init DIR [--starter]\n"
                                         "Creates DIR/Data with the three empty tables and Pics; with --starter a "
                                         "small starter book as well. An existing DIR/Data is left alone.\n");
    if (arguments.size() < 3 || arguments.at(1) != QLatin1String("init") || arguments.size() > 4
        || (arguments.size() == 4 && arguments.at(3) != QLatin1String("--starter"))) {
        std::fputs(usage.toLocal8Bit().constData(), stderr);
        return 2;
    }
    const bool starter = arguments.size() == 4;
    QString error;
    if (!RecipeBook::createBook(arguments.at(2), starter, &error)) {
        std::fprintf(stderr, "mealdeck-data: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    std::printf("Created %s/Data%s\n", arguments.at(2).toLocal8Bit().constData(),
                starter ? " with the starter book" : "");
    return 0;
}
