#pragma once

#include <QString>

// The main window's selection state, read and set by the dialogs and the
// recipe window for the whole run. Every value starts empty or false.
struct SharedState
{
    QString CurrentMainGroup;
    QString CurrentSubgroup;
    QString CurrentRecipe;
    QString PicturePath;

    bool MainGroupMode = false;
    bool SubgroupMode = false;
    bool RecipeMode = false;
    bool RenameMode = false;

    // Result of one showing of the name dialog.
    bool NameRejected = false;
    bool NameAccepted = false;
    bool NameCancelled = false;

    // Input and result of the delete confirmation.
    bool DeleteConfirmed = false;
    bool DeletingRecipe = false;
    bool DeletingSubgroup = false;
    bool HasSubgroups = false;
    bool HasRecipes = false;

    bool DescriptionModified = false;
    bool SaveDescription = false;
    bool DeletePictureConfirmed = false;
    bool HasPortionCount = false;
    bool ReturnedFromRecipe = false;
};
