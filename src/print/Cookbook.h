#pragma once

#include "store/book/CookbookSource.h"

#include <QDate>
#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVector>

#include <functional>

class QPainter;

// A printed cookbook: a title page, the contents, every recipe as the
// recipe's own print lays it out (with its picture and description), and an
// index of the recipes and of the ingredients they use. The recipes are laid
// out before the contents are drawn, so that every page number is the page
// the recipe starts on. Pages are measured in a unit of 1/720 inch and drawn
// at any resolution; pictures are read only when their page is drawn.
namespace Cookbook {

using Recipe = CookbookSource::Recipe;

struct Options
{
    QString title;
    QDate date;
    bool pictures = true;
    bool newPagePerRecipe = true;
    bool contents = true;
    bool index = true;
};

// The paper and the margins, in millimetres.
struct Paper
{
    QSizeF size{210, 297};
    qreal left = 20;
    qreal right = 20;
    qreal top = 20;
    qreal bottom = 20;
};

// "A4", "A5" or "Letter" (capitals not counting); false for another name.
bool paperNamed(const QString &name, Paper *paper);

// The program's artwork on the title page.
QString artworkFile();

class Layout
{
public:
    // `bodyFamily` and `bodyPoints` are the recipe text's font; the headings
    // are made from it.
    Layout(QVector<Recipe> recipes, Options options, Paper paper, const QString &bodyFamily = QString(),
           int bodyPoints = 11);

    // Lays every page out. `progress` is told the recipes laid out so far
    // and may return false to stop; build then returns false.
    bool build(const std::function<bool(int done, int total)> &progress = {});

    int pageCount() const { return int(m_pages.size()); }
    const QVector<Recipe> &recipes() const { return m_recipes; }
    const Options &options() const { return m_options; }
    const Paper &paper() const { return m_paper; }
    // The page (from 1) where recipe `index` starts.
    int startPage(int index) const { return m_startPage.value(index); }

    // Draws page `page` (from 1) on `painter`, whose device has `dpi` pixels
    // per inch and the paper's top-left corner at the origin.
    void drawPage(QPainter *painter, int page, qreal dpi) const;

private:
    struct Run
    {
        int font = 0;
        QPointF at; // the baseline's left end
        QString text;
    };
    struct Picture
    {
        QRectF rect;
        QString file;
    };
    // A contents or index entry: the text on the left, dots, and the page
    // numbers at the right edge: the start page of recipe `recipe`, or
    // `pages` when no recipe is named.
    struct Entry
    {
        int font = 0;
        QPointF at;
        qreal right = 0;
        QString text;
        int recipe = -1;
        QString pages;
    };
    struct Page
    {
        QVector<Run> runs;
        QVector<Picture> pictures;
        QVector<Entry> entries;
        QString footer; // the left footer; none and no number on the title page
        bool numbered = true;
    };

    class Flow;
    friend class Flow;

    void layOutTitle();
    void layOutContents();
    bool layOutRecipes(const std::function<bool(int, int)> &progress);
    void layOutIndex();

    QVector<Recipe> m_recipes;
    Options m_options;
    Paper m_paper;
    QVector<QFont> m_fonts;
    QVector<Page> m_pages;
    QVector<int> m_startPage;
};

// Writes the cookbook as a PDF file, page by page. False with `error` when
// the file cannot be written.
bool writePdf(const Layout &layout, const QString &file, QString *error);

// The cookbook as one web page that needs no other file: the pictures inside
// it, the contents as links, readable on a phone.
bool writeHtml(const QVector<Recipe> &recipes, const Options &options, const QString &file, QString *error);

// The index's ingredients: each ingredient name without amount and unit (in
// small letters, the first spelling of those the shopping list takes for one)
// with the recipes (indices into `recipes`) that use it, sorted by name.
struct IngredientUse
{
    QString name;
    QVector<int> recipes;
};
QVector<IngredientUse> ingredientIndex(const QVector<Recipe> &recipes);

} // namespace Cookbook
