#pragma once

#include "preview/GmFont.h"

#include <QString>

class QPlainTextEdit;
class TGmPreview;

// What the print preview window uses of the program's other windows: the
// recipe window's document memo, its size mode and the current recipe font,
// and the main window's current recipe.
class PrintPreviewHost
{
public:
    virtual ~PrintPreviewHost() = default;

    // The hidden memo that holds the text to print (Memo1).
    virtual QPlainTextEdit *Memo1() const = 0;
    // The ticks of the recipe window's Full and Small items.
    virtual bool fullSizeMode() const = 0;
    virtual bool smallSizeMode() const = 0;
    virtual QString currentRecipe() const = 0;
    // The current recipe font that the recipe window uses (name, colour, size).
    virtual TGmFont currentRecipeFont() const = 0;
    virtual void setCurrentRecipeFont(const TGmFont &font) = 0;
    // Puts a document of its own on the cleared preview's pages, for the
    // preview's paper and margins, in place of the memo's text; false (the
    // default) lets the memo's text flow.
    virtual bool layOutPages(TGmPreview *preview)
    {
        (void)preview;
        return false;
    }
};
