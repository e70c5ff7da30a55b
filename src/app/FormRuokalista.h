#pragma once

#include "store/book/Menu.h"

#include <QHash>
#include <QWidget>

#include <functional>

class QLineEdit;
class QMenu;
class QTableWidget;
class QTreeWidget;
class TFormPaa;
namespace RecipeBook {
class Book;
}

// The week menu and its shopping list, side by side. Each menu row has its
// day, its recipe and its portions, which can be changed in the row; every
// change is stored in the menu file at once and the shopping list is worked
// out anew. Items can be ticked off (they go to the end, struck through);
// items on the pantry list are ticked off from the start.
class TFormRuokalista : public QWidget
{
    Q_OBJECT

public:
    // Called to show a recipe of the menu in the main window.
    using ShowRecipe = std::function<void(const Menu::Recipe &recipe)>;
    TFormRuokalista(const QString &dataFolder, ShowRecipe showRecipe, QWidget *parent = nullptr);

    // Adds `recipe` at `portions` to the end of the menu of the book in
    // `dataFolder`. Throws StoreError when the menu cannot be read or written.
    static void addToMenu(const QString &dataFolder, qint64 recipe, int portions);

    // Reads the menu and the book's recipes anew and shows them; ticks stay.
    void reload();

    // The items not ticked off, one a line with the recipes they come from
    // after a tab, as Copy and Save as Text give them.
    QString listText() const;

    QTableWidget *menuTable() const { return m_menu; }
    QTreeWidget *shoppingList() const { return m_list; }
    QLineEdit *pantryEdit() const { return m_pantry; }

    void deleteEntry();
    void clearMenu();
    void copyList();
    void saveList();
    // The shopping list through the print preview, on the user's paper.
    void printList();

    // The setting that keeps the pantry list (its items separated by ", ").
    static constexpr const char *Ruokakomero = "Ruokakomero";

protected:
    void changeEvent(QEvent *event) override;

private:
    void showMenu();
    void showList();
    void storeMenu();
    // Changes the entry in `row` by the user's edit and stores the menu.
    void changeEntry(int row, const std::function<void(Menu::Entry &)> &change);
    void showEntry(int row);
    void readPantry();
    void pantryEdited();
    QString itemKey(const ShoppingList::Item &item) const;

    QString m_dataFolder;
    ShowRecipe m_showRecipe;
    QVector<Menu::Entry> m_entries;
    QHash<qint64, Menu::Recipe> m_recipes;
    QVector<ShoppingList::Item> m_items;
    // Items ticked or unticked by hand, by itemKey.
    QHash<QString, bool> m_ticks;
    QStringList m_pantryKeys;
    bool m_filling = false;

    QTableWidget *m_menu = nullptr;
    QTreeWidget *m_list = nullptr;
    QLineEdit *m_pantry = nullptr;
};

// Asks the portions of the recipe `recipeId` of `book` (its own count is
// offered) and adds it to the end of the menu; every open menu window shows
// it. False when the recipe is not in the book or the user cancels. Throws
// ProgramError when the menu cannot be stored.
bool addRecipeToMenu(QWidget *parent, RecipeBook::Book *book, qint64 recipeId);

// Recipe -> Add to Menu (Ctrl+M) and Book -> Menu and Shopping List...
// (Ctrl+L) of the main window.
void addMenuCommands(TFormPaa *form, QMenu *recipeMenu, QMenu *bookMenu);
