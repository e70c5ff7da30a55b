#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

// A recipe as a reader found it in a file, already in the book's layout:
// ingredient lines with the quantity first and a decimal comma, directions
// as lines of text, times as readable text.
struct ImportedRecipe
{
    QString name;
    // The first category names the subgroup; `mainGroup` is the main group a
    // file names for it (Meal-Master's second category, the first keyword).
    QString category;
    QString mainGroup;
    // Further categories a file gives the recipe (Meal-Master's after the
    // first), in the file's order; the import lists them in the description.
    QStringList moreCategories;
    // Names written by this program's own export: group and recipe names are
    // taken exactly as written.
    bool exactNames = false;
    QString description;
    QString time;
    QString difficulty;
    // The yield or servings as written ("4 servings", "12"); its first
    // number becomes the portion count.
    QString yield;
    QStringList ingredients;
    QString directions;
    // Picture data in any format the program reads (JPEG, PNG, ...).
    QByteArray picture;
    // The address the recipe names its picture by when the picture is not
    // inside the file (a web page's image); relative to the page's address.
    QString pictureAddress;

    // Where it came from, for the summary: the file and the line or entry.
    QString file;
    QString place;
};

// A recipe that could not be read (skipped) or was read with something left
// out (a note), with the file, the line or entry and the reason.
// The groups of a book as its export lists them, empty ones too, in the
// book's order.
struct ImportedGroups
{
    struct MainGroup
    {
        QString name;
        QStringList subgroups;
    };
    QVector<MainGroup> mainGroups;
};

struct ImportProblem
{
    QString file;
    QString place;
    QString reason;
    bool skipped = true;

    // "file:line: reason"
    QString text() const
    {
        return place.isEmpty() ? QStringLiteral("%1: %2").arg(file, reason)
                               : QStringLiteral("%1:%2: %3").arg(file, place, reason);
    }
};

// Where readers deliver what they find. `recipe` and `progress` return false
// to stop reading (the user cancelled); `progress` gets the bytes of the file
// read so far.
struct ImportSink
{
    std::function<bool(ImportedRecipe &&recipe)> recipe;
    std::function<void(ImportProblem &&problem)> problem;
    std::function<bool(qint64 bytesRead)> progress;
    // The groups listed by an export of a whole book or group (may be empty).
    std::function<void(ImportedGroups &&groups)> groups;
};
