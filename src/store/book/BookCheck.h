#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// Checks a recipe book without changing it: every table file is opened
// read-only. The findings are one line each, meant for a person to read.
class BookCheck
{
public:
    enum class Outcome {
        // Every table file is whole and every row and picture file fits.
        Sound,
        // At least one finding.
        Faulty,
        // The data folder is missing or cannot be read; nothing was checked.
        Unopenable,
    };

    // Checks the book whose table files and `Pics` folder are in `dataFolder`.
    explicit BookCheck(const QString &dataFolder);

    Outcome run();

    // One line for each table file ("Ohje.db: ok" or what is wrong with it),
    // then one line for each finding. After Unopenable, the one line says why.
    const QStringList &lines() const { return m_lines; }
    int findings() const { return m_findings; }

private:
    struct Row
    {
        QString name;
        QString group;
        bool picture = false;
    };
    using Rows = QVector<Row>;

    // Reads one table file into `rows`; false, with a line said, when the
    // file is missing, not a table file of the program or damaged.
    bool readTable(const QString &table, Rows &rows);
    void checkPictures(const Rows &recipes);
    // The search index is derived data: damage in it is reported, a missing
    // one is not (it is built when a search needs it).
    void checkIndex();
    void report(const QString &line);

    QString m_dataFolder;
    QStringList m_lines;
    int m_findings = 0;
};
