#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QTemporaryDir>

class TFormPaa;

// A temporary program folder holding a recipe book, for window tests:
// ProgramPaths points at it, the settings file starts empty, and the dialog
// helper's record is cleared. Rows are added straight into the tables and
// committed, before the windows are created.
class BookFixture
{
public:
    explicit BookFixture(bool withStarter = false);
    // The book in `folder` (which must exist) instead of a temporary folder.
    explicit BookFixture(const QString &folder, bool withStarter = false);
    ~BookFixture();
    BookFixture(const BookFixture &) = delete;
    BookFixture &operator=(const BookFixture &) = delete;

    bool isValid() const { return m_valid; }
    QString error() const { return m_error; }

    QString programFolder() const;
    QString dataFolder() const;
    QString picsFolder() const;

    void addMainGroup(const QString &name);
    void addSubgroup(const QString &name, const QString &mainGroup);
    // With `picture`, a 169 x 169 JPEG is written as the recipe's picture file
    // and Kuva is set. `fields` sets further fields ("Aineet", "Ohje", ...).
    void addRecipe(const QString &name, const QString &subgroup, bool picture = false,
                   const QString &description = QString(), const QList<QPair<QString, QString>> &fields = {});

    // Names of the rows of a table as stored on disk, in order ("Paaryhma",
    // "Alaryhma", "Ohje"); with `parent`, only rows whose Ryhma is `parent`.
    QStringList storedNames(const QString &table, const QString &parent = QString()) const;
    // One field of the stored row named `name` in the recipe table.
    QString storedRecipeField(const QString &name, const QString &field) const;

    // Creates the program's windows in creation order (main window, name
    // dialog, portion dialog, recipe window, about window) into windows(); the
    // main window is returned (without the others when its tables did not open).
    static TFormPaa *createWindows();
    static void destroyWindows();

    // The settings file, removed so that every value is missing.
    static void clearSettings();

private:
    void create(const QString &folder, bool withStarter);

    QTemporaryDir m_dir;
    bool m_valid = false;
    QString m_error;
};
