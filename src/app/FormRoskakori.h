#pragma once

#include <QDialog>

#include <functional>

namespace RecipeBook {
class Book;
}
class QLabel;
class QPushButton;
class QTreeWidget;

// The Trash window: what deletions took, newest first, with the commands that
// put it back or destroy it for good. It works on the trash of the book it
// is given; `restored` is called after each restore with where the
// entry went back to (main group, subgroup, recipe; empty when not one).
class TFormRoskakori : public QDialog
{
    Q_OBJECT

public:
    using RestoredHandler =
        std::function<void(const QString &mainGroup, const QString &subgroup, const QString &recipe)>;

    TFormRoskakori(RecipeBook::Book &book, RestoredHandler restored, QWidget *parent = nullptr);

    // Reads the trash again and fills the list.
    void reload();

    void BBPalautaClick();
    void BBPoistaLopullisestiClick();
    void BBTyhjennaClick();

private:
    qint64 selectedEntry() const;
    void updateButtons();
    // Asks `question` with Yes and No; true for Yes.
    bool ask(const QString &caption, const QString &question);

    RecipeBook::Book &m_book;
    RestoredHandler m_restored;
    QTreeWidget *m_list = nullptr;
    QLabel *m_summary = nullptr;
    QPushButton *m_restore = nullptr;
    QPushButton *m_destroy = nullptr;
    QPushButton *m_empty = nullptr;
};
