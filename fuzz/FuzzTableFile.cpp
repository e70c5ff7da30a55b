// Opening a table file that has been damaged: the input is the whole file of
// the recipe table (the corpus holds real table files of the program), put in
// a book beside two sound tables. Opening, reading every row, the duplicate
// check, an apply and a pack may fail only with StoreError; the two sound
// tables stay whole.
//
// Run with FUZZ_WRITE_SEEDS=<folder> to write fresh seed table files there.

#include "FuzzSupport.h"

#include "store/table/PackTable.h"
#include "store/table/ProgramError.h"
#include "store/book/RecipeBook.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <cstdint>

namespace {

QString bookFolder()
{
    return Fuzz::scratch() + QStringLiteral("/book");
}

QString dataFolder()
{
    return bookFolder() + QStringLiteral("/Data");
}

QString tableFile(const char *table)
{
    return dataFolder() + QLatin1Char('/') + QString::fromLatin1(table) + QStringLiteral(".db");
}

QByteArray hashOf(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1);
}

void openTable(TPackTable &t, const char *name)
{
    t.setDatabaseName(dataFolder());
    t.setTableName(QString::fromLatin1(name));
    t.setTableType(TTableType::Paradox);
    t.open();
}

// A few recipes of every shape a cook makes: empty fields, long texts, quotes.
void fillRecipes(int count)
{
    TPackTable t;
    openTable(t, "Ohje");
    for (int i = 0; i < count; ++i) {
        t.append();
        t.setFieldText(QStringLiteral("Nimi"), QStringLiteral("Recipe '%1' %").arg(i));
        t.setFieldText(QStringLiteral("Ryhma"), QStringLiteral("Soups"));
        if (i % 2)
            t.setFieldText(QStringLiteral("Aineet"), QStringLiteral("1,5 dl milk\n2 eggs\n").repeated(i * 3));
        t.post();
    }
    t.apply();
    if (count > 2) {
        t.first();
        t.deleteRow();
        t.apply();
    }
}

QByteArray paaHash;
QByteArray alaHash;

void writeSeeds(const QString &target)
{
    QDir().mkpath(target);
    for (int count : {0, 1, 3, 12}) {
        QDir(bookFolder()).removeRecursively();
        QDir().mkpath(bookFolder());
        QString error;
        try {
            RecipeBook::createBook(bookFolder(), false);
        } catch (const StoreError &e) {
            error = e.message();
            Fuzz::fail("cannot make a book", error);
        }
        fillRecipes(count);
        QFile::copy(tableFile("Ohje"), target + QStringLiteral("/recipes-%1.db").arg(count));
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Fuzz::ensureCoreApplication();
    const QByteArray seeds = qgetenv("FUZZ_WRITE_SEEDS");
    if (!seeds.isEmpty()) {
        writeSeeds(QString::fromLocal8Bit(seeds));
        std::exit(0);
    }
    QString error;
    QDir(bookFolder()).removeRecursively();
    QDir().mkpath(bookFolder());
    try {
        RecipeBook::createBook(bookFolder(), false);
    } catch (const StoreError &e) {
        error = e.message();
        Fuzz::fail("cannot make a book", error);
    }
    paaHash = hashOf(tableFile("Paaryhma"));
    alaHash = hashOf(tableFile("Alaryhma"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QFile::remove(tableFile("Ohje"));
    QFile::remove(tableFile("Ohje") + QStringLiteral("-journal"));
    {
        QFile f(tableFile("Ohje"));
        Fuzz::check(f.open(QIODevice::WriteOnly), "cannot write the input");
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }

    try {
        TPackTable groups;
        openTable(groups, "Paaryhma");
        TPackTable recipes;
        openTable(recipes, "Ohje");
        const QStringList fields = recipes.fieldNames();
        recipes.first();
        int rows = 0;
        while (!recipes.eof() && rows < 1000) {
            for (const QString &field : fields)
                recipes.fieldText(field);
            recipes.next();
            ++rows;
        }
        recipes.containsName(QStringLiteral("Nimi"), QStringLiteral("Recipe '1' %"));
        recipes.setFilter(QStringLiteral("Ryhma = 'Soups'"));
        recipes.setFiltered(true);
        recipes.recordCount();
        recipes.append();
        recipes.setFieldText(QStringLiteral("Nimi"), QStringLiteral("New"));
        recipes.post();
        recipes.apply();
        recipes.close();
        recipes.setExclusive(true);
        recipes.Pack();
    } catch (const ProgramError &) {
    }

    Fuzz::check(hashOf(tableFile("Paaryhma")) == paaHash, "a sound table changed");
    Fuzz::check(hashOf(tableFile("Alaryhma")) == alaHash, "a sound table changed");
    return 0;
}
