#pragma once

#include <QList>

class DataBoundList;
class QLabel;
class QLineEdit;
class QFont;
class QMainWindow;
class QObject;
class QPlainTextEdit;
class QRect;
class QWidget;

// The main window's widgets: the three lists under their titles, the shown
// recipe's description, picture, difficulty and time, the decorative
// pictures, the tool bar's panel and the status bar, and where they stand in
// the Full and Small size modes. It knows nothing of the book; the window
// wires the widgets' signals.
struct MainWindowPanes {
    // Builds the widgets into `window` in the design layout; `filter` watches
    // the keys and pointer moves of the lists and editors.
    void build(QMainWindow *window, QObject *filter);

    // Places the widgets for the Full or the Small size mode, in `font`'s
    // size; a shown recipe keeps its memo beside its picture.
    void applyLayout(bool full, const QFont &font);
    // The memo of a shown recipe: beside its picture, or over the full width
    // without one.
    void placeMemo(bool withPicture, bool full);
    void keepRecipePlacement(bool full);
    void showDecorativePicture(bool full);
    // Hides the recipe's description, picture and edits, showing the
    // decorative picture in their place.
    void hideDetails(bool full);
    // Gives the focus to `pane` and greys the other five panes.
    void focus(QWidget *pane);
    // The three lists read the book again when next shown.
    void markListsDirty();
    // The six panes that take the focus: lists, memo, edits.
    QList<QWidget *> focusPanes() const;

    QWidget *panelTyokalu = nullptr;
    QWidget *panel1 = nullptr;
    QWidget *panel2 = nullptr;
    QLabel *label1 = nullptr;
    QLabel *label2 = nullptr;
    QLabel *label3 = nullptr;
    DataBoundList *listPaa = nullptr;
    DataBoundList *listAla = nullptr;
    DataBoundList *listResepti = nullptr;
    QPlainTextEdit *memoKuvaus = nullptr;
    QLineEdit *editAste = nullptr;
    QLineEdit *editAika = nullptr;
    QLabel *ruokakuva = nullptr;
    QLabel *kuva = nullptr;
    QLabel *kuva2 = nullptr;
};
