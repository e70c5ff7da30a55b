#pragma once

#include <QObject>

#include <memory>

class QMenu;
class QTimer;
class RecipeSearch;
class TFormPaa;

// The main window's search: the "&Find Recipes..." command of the menu
// "&Book", the search index kept in step from the start (brought up to date
// in the background), and the selection of a found recipe.
class FindController : public QObject
{
public:
    // Adds the command to `menu`.
    FindController(TFormPaa *window, QMenu *menu);
    ~FindController() override;
    Q_DISABLE_COPY_MOVE(FindController)

    // Opens the find window and selects the recipe chosen there.
    void find();
    // Around a change of many recipes (an import): the index takes them in
    // one pass afterwards, on its indexing thread, instead of one by one.
    void suspendUpkeep();
    void resumeUpkeep();

    // Opens the index of the window's book, once the book is open.
    void start();

private:

    TFormPaa *m_window;
    QTimer *m_indexing;
    std::unique_ptr<RecipeSearch> m_search;
};
