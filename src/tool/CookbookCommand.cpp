#include "tool/CookbookCommand.h"

#include "print/Cookbook.h"
#include "tool/CommandFailure.h"

#include <QFileInfo>

#include <cstdio>

int cookbookCommand(const QStringList &arguments, const QString &usage)
{
    QStringList files;
    CookbookSource::Scope scope = CookbookSource::Scope::WholeBook;
    QString group;
    Cookbook::Options options;
    Cookbook::Paper paper;
    bool titled = false;
    bool bad = false;
    for (int i = 0; i < arguments.size() && !bad; ++i) {
        const QString &argument = arguments.at(i);
        const bool hasValue = i + 1 < arguments.size();
        if ((argument == QLatin1String("--main-group") || argument == QLatin1String("--subgroup")) && hasValue
            && scope == CookbookSource::Scope::WholeBook) {
            scope = argument == QLatin1String("--main-group") ? CookbookSource::Scope::MainGroup
                                                              : CookbookSource::Scope::Subgroup;
            group = arguments.at(++i);
        } else if (argument == QLatin1String("--title") && hasValue) {
            options.title = arguments.at(++i);
            titled = true;
        } else if (argument == QLatin1String("--paper") && hasValue) {
            if (!Cookbook::paperNamed(arguments.at(++i), &paper))
                return commandFailed(QStringLiteral("Unknown paper \"%1\": A4, A5 or Letter").arg(arguments.at(i)));
        } else if (argument == QLatin1String("--no-pictures")) {
            options.pictures = false;
        } else if (argument.startsWith(QLatin1String("--"))) {
            bad = true;
        } else {
            files << argument;
        }
    }
    if (bad || files.size() != 2 || files.at(0).isEmpty() || files.at(1).isEmpty())
        return wrongArguments(usage);
    const QString out = files.at(1);
    const QString suffix = QFileInfo(out).suffix().toLower();
    if (suffix != QLatin1String("pdf") && suffix != QLatin1String("html") && suffix != QLatin1String("htm"))
        return commandFailed(QStringLiteral("%1 should end in .pdf or .html").arg(out));

    const QFileInfo folder(QFileInfo(out).absolutePath());
    if (!folder.isDir() || !folder.isWritable())
        return commandFailed(QStringLiteral("Cannot write %1: no folder to write it in").arg(out));

    const QString data = files.at(0) + QStringLiteral("/Data");
    const QVector<Cookbook::Recipe> recipes = CookbookSource::read(data, data + QStringLiteral("/Pics/"), scope, group);
    QString error;
    if (!titled)
        options.title = group.isEmpty() ? QStringLiteral("Recipes") : group;
    options.date = QDate::currentDate();

    if (suffix != QLatin1String("pdf")) {
        if (!Cookbook::writeHtml(recipes, options, out, &error))
            return commandFailed(error);
    } else {
        Cookbook::Layout layout(recipes, options, paper);
        layout.build();
        if (!Cookbook::writePdf(layout, out, &error))
            return commandFailed(error);
    }
    std::printf("Wrote %s: %lld recipes\n", out.toLocal8Bit().constData(), static_cast<long long>(recipes.size()));
    return 0;
}
