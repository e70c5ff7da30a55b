#pragma once

#include <QString>

class SqlStatement;

// The text fields of one stored recipe with the names of its groups, as an
// export or a printed cookbook reads them.
struct StoredRecipe
{
    QString name;
    QString mainGroup;
    QString subgroup;
    QString description;
    QString difficulty;
    QString time;
    QString portions; // empty when the recipe has no count
    QString ingredients;
    QString directions;
};

// The fields from the nine columns of `select` starting at `first`, in this
// order: Nimi, the main group's name, the subgroup's name, Kuvaus, Aste,
// Aika, Annos, Aineet, Ohje.
StoredRecipe readStoredRecipe(const SqlStatement &select, int first);
