#include "tool/ShoppingCommand.h"

#include "store/book/Menu.h"
#include "store/table/ProgramError.h"
#include "tool/CommandFailure.h"

#include <QFile>

#include <cstdio>

int shoppingCommand(const QStringList &arguments, const QString &usage)
{
    QStringList wanted;
    bool withMenu = false;
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("--menu"))
            withMenu = true;
        else
            wanted << arguments.at(i);
    }
    if (arguments.isEmpty() || arguments.at(0).isEmpty() || (wanted.isEmpty() && !withMenu))
        return wrongArguments(usage);
    const QString data = arguments.at(0) + QStringLiteral("/Data");
    if (!QFile::exists(data + QStringLiteral("/Ohje.db")))
        return commandFailed(QStringLiteral("No recipe book in %1").arg(data));
    QVector<Menu::Entry> entries;
    if (withMenu)
        entries = Menu::read(data);
    QStringList names;
    QVector<int> portionCounts;
    for (const QString &argument : wanted) {
        // The name may hold '=' itself: the count follows the last one.
        const int at = argument.lastIndexOf(u'=');
        bool number = false;
        const int portions = at < 0 ? 0 : argument.mid(at + 1).toInt(&number);
        if (!number || portions < 1 || portions > Menu::MaxPortions)
            return commandFailed(QStringLiteral("\"%1\" needs a portion count from 1 to %2: \"RECIPE=PORTIONS\"")
                                     .arg(argument)
                                     .arg(Menu::MaxPortions));
        names << (at < 0 ? argument : argument.left(at));
        portionCounts << portions;
    }
    QVector<qint64> ids;
    for (const Menu::Entry &entry : entries) {
        if (!entry.deleted)
            ids << entry.recipe;
    }
    const QHash<qint64, Menu::Recipe> recipes = Menu::readRecipes(data, ids, names);
    for (const Menu::Entry &entry : entries) {
        if (entry.deleted || !recipes.contains(entry.recipe))
            std::fputs("mealdeck-data: A recipe on the menu is no longer in the book (deleted)\n", stderr);
    }
    QHash<QString, qint64> byName;
    for (const Menu::Recipe &recipe : recipes)
        byName.insert(recipe.name, recipe.id);
    for (int i = 0; i < names.size(); ++i) {
        const auto id = byName.constFind(names.at(i));
        if (id == byName.constEnd())
            return commandFailed(QStringLiteral("No recipe named \"%1\"").arg(names.at(i)));
        entries.append({*id, 0, portionCounts.at(i)});
    }
    for (const ShoppingList::Item &item : ShoppingList::build(Menu::shoppingEntries(entries, recipes))) {
        // A tab inside a field would split it.
        auto field = [](QString text) { return text.replace(u'\t', u' ').toLocal8Bit(); };
        std::printf("%s\t%s\n", field(item.text()).constData(),
                    field(item.recipes.join(QStringLiteral(", "))).constData());
    }
    return 0;
}
