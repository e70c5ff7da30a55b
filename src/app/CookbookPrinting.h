#pragma once

class QMenu;
class TFormPaa;

// Book -> Print Cookbook...: the whole book, the selected main group or the
// selected subgroup as a cookbook in the print preview (printed or written
// to a PDF file from there), or saved as one web page.
namespace CookbookPrinting {

// Adds the command to the Book menu.
void addCommand(TFormPaa *form, QMenu *bookMenu);

// Asks what to print and how, then shows the preview of the cookbook.
void printCookbook(TFormPaa *form);

} // namespace CookbookPrinting
