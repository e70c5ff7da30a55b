#pragma once

#include "store/exchange/ImportedRecipe.h"
#include "store/exchange/WebFetcher.h"

#include <QString>
#include <QStringList>
#include <QVector>

// Reads the recipes of web pages by address, before an import: each page is
// fetched (see WebFetcher), every schema.org Recipe in its JSON-LD is read —
// or, when it has none, every Recipe in its microdata — each recipe's picture
// is fetched from its image address with the same limits, and the page's
// address becomes the directions' last line ("Source: <address>"), which
// tells a later import of the same page that the recipe is already in the
// book. A recipe that names no category goes into a subgroup named after the
// site.
class WebImport
{
public:
    explicit WebImport(WebFetcher::Limits limits = {});

    struct Result
    {
        QVector<ImportedRecipe> recipes;
        // Pages that could not be fetched or hold no recipe (skipped), and
        // pictures that could not be fetched (notes).
        QVector<ImportProblem> problems;
        bool cancelled = false;
    };

    // `progress` gets the address being fetched and its bytes so far; false
    // cancels (nothing is returned then).
    using Progress = std::function<bool(const QString &address, qint64 received, qint64 total)>;
    Result read(const QStringList &addresses, const Progress &progress = {});

    // True for a text that is an http:// or https:// address.
    static bool isWebAddress(const QString &text);
    // The directions' last line that keeps a page's address.
    static QString sourceLine(const QString &address);
    // The address of such a last line of `directions`; empty when it has none.
    static QString sourceOf(const QString &directions);

private:
    void readPage(const QString &address, const Progress &progress, Result &result);
    QByteArray picture(const QUrl &page, ImportedRecipe &recipe, const Progress &progress, Result &result);

    WebFetcher m_fetcher;
};
