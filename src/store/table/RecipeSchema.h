#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// The table files of a recipe book. Each file holds one table named after the
// file, an INTEGER PRIMARY KEY `id` that keeps the insertion order, and the
// program's application id, by which a foreign SQLite file is told apart.
namespace RecipeSchema {

// "MDCK" in the file header's application id field.
constexpr int ApplicationId = 0x4D44434B;
constexpr int Version = 1;

struct Field
{
    QString name;
    // SQL declared type: "TEXT", "INTEGER" or "BOOLEAN".
    QString type;
};

// The names of the tables' fields, for the code that reads and writes them:
// name and parent (all tables), description, difficulty, time, portion
// count, ingredients, directions and picture mark (recipes).
namespace FieldName {
inline const QString Nimi = QStringLiteral("Nimi");
inline const QString Ryhma = QStringLiteral("Ryhma");
inline const QString Kuvaus = QStringLiteral("Kuvaus");
inline const QString Aste = QStringLiteral("Aste");
inline const QString Aika = QStringLiteral("Aika");
inline const QString Annos = QStringLiteral("Annos");
inline const QString Aineet = QStringLiteral("Aineet");
inline const QString Ohje = QStringLiteral("Ohje");
inline const QString Kuva = QStringLiteral("Kuva");
} // namespace FieldName

// The three tables of a book, in opening order.
QStringList tableNames();

// The fields of a known table (without `id`); empty for another name.
QVector<Field> fields(const QString &table);

// Creates a new, empty table file at `path` for a known table. Refuses an
// existing file. On failure nothing is left behind; throws StoreError saying why.
void createTableFile(const QString &path, const QString &table);

} // namespace RecipeSchema
