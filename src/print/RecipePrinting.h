#pragma once

class TFormPaa;
class TFormPrintPrev;
class TFormResepti;

// The recipe window's Print Preview and Print: each fills the window's
// document memo with its text and hands it to the print preview window. The
// wiring to the main window is made with the main window, in src/app.
namespace RecipePrinting {

// Fills Memo1 with the preview document and shows a new print preview window
// modally; the window is released when it closes.
void showPrintPreview(TFormResepti *recipe, TFormPaa *main);

// Fills Memo1 with the direct-print document and prints it on A4 with 25 mm
// side margins, without showing a window.
void printDirect(TFormResepti *recipe, TFormPaa *main);

// Connects both commands of the recipe window and creates the program's
// print preview window (owned by the recipe window, not shown).
TFormPrintPrev *install(TFormResepti *recipe, TFormPaa *main);

} // namespace RecipePrinting
