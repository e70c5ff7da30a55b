#pragma once

#include "store/book/RecipeSearch.h"

#include <QDialog>

#include <optional>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;

// The Find window: a search field and the recipes that match, updated as the
// user types. Up and Down walk the hits, Enter or a double-click chooses one
// (the dialog is accepted and chosen() tells which), Escape closes.
class TFormEtsi : public QDialog
{
    Q_OBJECT

public:
    // Hits shown at most; the status line counts them all.
    static constexpr int ShownHits = 200;

    TFormEtsi(RecipeSearch &search, QWidget *parent = nullptr);
    Q_DISABLE_COPY_MOVE(TFormEtsi)

    std::optional<RecipeSearch::Hit> chosen() const { return m_chosen; }

    // Runs the search for the field's text now (typing runs it a moment
    // after the last key).
    void EditEtsiChange();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void choose();
    void showResult(const RecipeSearch::Result &result);
    // Says how far the indexing is while the names answer; when it has
    // finished, asks again with the index.
    void followIndexing();

    RecipeSearch &m_search;
    QLineEdit *m_edit = nullptr;
    QListWidget *m_list = nullptr;
    QLabel *m_status = nullptr;
    QLabel *m_indexing = nullptr;
    QPushButton *m_show = nullptr;
    QTimer *m_typing = nullptr;
    QTimer *m_progress = nullptr;
    // The hits shown were found by the names while the index was built.
    bool m_fromNames = false;
    bool m_namesOnly = false;
    QVector<RecipeSearch::Hit> m_hits;
    std::optional<RecipeSearch::Hit> m_chosen;
};
