#include "store/exchange/WebImport.h"

#include "store/exchange/JsonLdReader.h"
#include "store/exchange/MicrodataReader.h"

#include <algorithm>

namespace {

const QString SourcePrefix = QStringLiteral("Source: ");

} // namespace

WebImport::WebImport(WebFetcher::Limits limits) : m_fetcher(limits) { }

bool WebImport::isWebAddress(const QString &text)
{
    const QString address = text.trimmed();
    return (address.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
            || address.startsWith(QLatin1String("https://"), Qt::CaseInsensitive))
        && WebFetcher::isWebAddress(QUrl(address));
}

QString WebImport::sourceLine(const QString &address)
{
    return SourcePrefix + address;
}

QString WebImport::sourceOf(const QString &directions)
{
    const QString last = directions.mid(directions.lastIndexOf(QLatin1Char('\n')) + 1).trimmed();
    if (!last.startsWith(SourcePrefix))
        return QString();
    const QString address = last.mid(SourcePrefix.size());
    return isWebAddress(address) ? address : QString();
}

WebImport::Result WebImport::read(const QStringList &addresses, const Progress &progress)
{
    Result result;
    for (const QString &address : addresses) {
        readPage(address.trimmed(), progress, result);
        if (result.cancelled)
            return Result{{}, {}, true};
    }
    return result;
}

void WebImport::readPage(const QString &address, const Progress &progress, Result &result)
{
    const WebFetcher::Response page = m_fetcher.fetch(
        QUrl(address), [&](qint64 received, qint64 total) { return !progress || progress(address, received, total); });
    if (page.failure == WebFetcher::Failure::Cancelled) {
        result.cancelled = true;
        return;
    }
    if (!page.ok()) {
        result.problems << ImportProblem{address, QString(), page.message, true};
        return;
    }
    const QString text = WebFetcher::pageText(page.body, page.contentType);
    QVector<ImportedRecipe> found;
    QVector<ImportProblem> problems;
    ImportSink sink;
    sink.recipe = [&found](ImportedRecipe &&recipe) {
        found << std::move(recipe);
        return true;
    };
    sink.problem = [&problems](ImportProblem &&problem) { problems << std::move(problem); };
    const QByteArray type = page.contentType.split(';').first().trimmed().toLower();
    if (type.endsWith("json")) {
        JsonLdReader::readDocument(text.toUtf8(), address, QString(), sink);
    } else {
        JsonLdReader::readHtml(text.toUtf8(), address, sink);
        if (found.isEmpty()) {
            // The page's microdata, when its JSON-LD holds no recipe; what was
            // said of the page as a whole is said again below if need be.
            problems.erase(std::remove_if(problems.begin(), problems.end(),
                                          [](const ImportProblem &p) { return p.place.isEmpty(); }),
                           problems.end());
            MicrodataReader::read(text, address, sink);
            if (found.isEmpty() && problems.isEmpty())
                problems << ImportProblem{address, QString(),
                                          QStringLiteral("not a recipe page: no schema.org Recipe in it"), true};
        }
    }
    result.problems << problems;
    QString site = page.address.host();
    if (site.startsWith(QLatin1String("www.")))
        site = site.mid(4);
    for (ImportedRecipe &recipe : found) {
        if (recipe.picture.isEmpty() && !recipe.pictureAddress.isEmpty()) {
            recipe.picture = picture(page.address, recipe, progress, result);
            if (result.cancelled)
                return;
        }
        if (recipe.category.trimmed().isEmpty())
            recipe.category = site;
        const QString source = sourceLine(address);
        recipe.directions = recipe.directions.trimmed().isEmpty() ? source
                                                                   : recipe.directions + QStringLiteral("\n\n") + source;
        result.recipes << std::move(recipe);
    }
}

QByteArray WebImport::picture(const QUrl &page, ImportedRecipe &recipe, const Progress &progress, Result &result)
{
    const QUrl address = page.resolved(QUrl(recipe.pictureAddress));
    auto note = [&](const QString &reason) {
        result.problems << ImportProblem{recipe.file, recipe.place, reason, false};
    };
    if (!WebFetcher::isWebAddress(address)) {
        note(QStringLiteral("the picture address %1 is not a web address; imported without a picture")
                 .arg(recipe.pictureAddress));
        return QByteArray();
    }
    const QString shown = address.toString();
    const WebFetcher::Response response = m_fetcher.fetch(
        address, [&](qint64 received, qint64 total) { return !progress || progress(shown, received, total); });
    if (response.failure == WebFetcher::Failure::Cancelled) {
        result.cancelled = true;
        return QByteArray();
    }
    if (!response.ok()) {
        note(QStringLiteral("the picture %1 could not be fetched: %2; imported without it").arg(shown, response.message));
        return QByteArray();
    }
    return response.body;
}
