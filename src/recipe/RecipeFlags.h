#pragma once

// The recipe window's flags, single values for the whole run. The portion
// dialog and the save-changes question read and set them.
struct RecipeFlags
{
    // Set when the recipe window is left and the memo reports a user
    // modification; cleared after the pending changes are stored or dropped.
    bool IngredientsModified = false;
    bool DirectionsModified = false;
    // True when the pending edits are to be stored; the question's No clears it.
    bool SaveRecipeEdits = false;
    // The case in which the portion dialog is opened.
    bool CalculateMode = false;
    bool ChangePortionMode = false;
    bool AddPortionMode = false;
};
