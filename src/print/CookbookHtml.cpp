#include "print/Cookbook.h"

#include "print/RecipeDocument.h"

#include <QFile>
#include <QLocale>
#include <QSaveFile>
#include <QTextStream>

#include <algorithm>

namespace Cookbook {

namespace {

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

QString anchor(int index)
{
    return QStringLiteral("recipe-%1").arg(index + 1);
}

// The file as a data: URL, its type told by its first bytes; empty when it
// cannot be read or is no picture a browser shows.
QString dataUrl(const QString &file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray bytes = in.readAll();
    const char *type = nullptr;
    if (bytes.startsWith("\xFF\xD8\xFF"))
        type = "image/jpeg";
    else if (bytes.startsWith("\x89PNG"))
        type = "image/png";
    else if (bytes.startsWith("GIF8"))
        type = "image/gif";
    else if (bytes.startsWith("<svg") || bytes.startsWith("<?xml"))
        type = "image/svg+xml";
    if (!type)
        return QString();
    return QStringLiteral("data:%1;base64,").arg(QLatin1String(type)) + QString::fromLatin1(bytes.toBase64());
}

const char *const Style = "body{font-family:'DejaVu Sans',sans-serif;line-height:1.45;margin:0 auto;max-width:46em;"
                          "padding:0 1em 2em;color:#222}"
                          "img{max-width:100%;height:auto}"
                          "header{text-align:center;padding:2em 0}"
                          "nav ul,.index ul{list-style:none;padding-left:1em}"
                          "article{border-top:1px solid #ccc;margin-top:2em}"
                          ".description{font-style:italic}"
                          ".facts{font-weight:bold}"
                          ".lines{white-space:pre-wrap;overflow-wrap:anywhere}";

void writeLines(QTextStream &out, const QStringList &lines)
{
    out << "<p class=\"lines\">" << escaped(lines.join(u'\n')) << "</p>\n";
}

} // namespace

bool writeHtml(const QVector<Recipe> &recipes, const Options &options, const QString &file, QString *error)
{
    QSaveFile save(file);
    if (!save.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("Cannot write %1: %2").arg(file, save.errorString());
        return false;
    }
    QTextStream out(&save);
    out.setEncoding(QStringConverter::Utf8);
    const QLocale english(QLocale::English);
    out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        << "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        << "<title>" << escaped(options.title) << "</title>\n<style>" << Style << "</style>\n</head>\n<body>\n";

    out << "<header>\n<h1>" << escaped(options.title) << "</h1>\n<p>"
        << english.toString(options.date.isValid() ? options.date : QDate::currentDate(), QStringLiteral("d MMMM yyyy"))
        << "</p>\n<p>"
        << (recipes.size() == 1 ? QStringLiteral("1 recipe")
                                : QStringLiteral("%1 recipes").arg(english.toString(int(recipes.size()))))
        << "</p>\n";
    const QString art = dataUrl(artworkFile());
    if (!art.isEmpty())
        out << "<img src=\"" << art << "\" alt=\"\">\n";
    out << "</header>\n";

    if (options.contents) {
        out << "<nav id=\"contents\">\n<h2>Contents</h2>\n";
        QString mainGroup;
        QString subgroup;
        bool open = false;
        for (int i = 0; i < recipes.size(); ++i) {
            const Recipe &r = recipes.at(i);
            const bool newMain = i == 0 || r.mainGroup != mainGroup;
            if (newMain || r.subgroup != subgroup) {
                if (open)
                    out << "</ul>\n";
                if (newMain)
                    out << "<h3>" << escaped(r.mainGroup.isEmpty() ? QStringLiteral("Without a group") : r.mainGroup)
                        << "</h3>\n";
                if (!r.subgroup.isEmpty())
                    out << "<h4>" << escaped(r.subgroup) << "</h4>\n";
                out << "<ul>\n";
                open = true;
                mainGroup = r.mainGroup;
                subgroup = r.subgroup;
            }
            out << "<li><a href=\"#" << anchor(i) << "\">" << escaped(r.name) << "</a></li>\n";
        }
        if (open)
            out << "</ul>\n";
        out << "</nav>\n";
    }

    for (int i = 0; i < recipes.size(); ++i) {
        const Recipe &r = recipes.at(i);
        const QStringList lines =
            RecipeDocument::previewDocument(r.name, r.portions, r.difficulty, r.time, QString(), QString());
        out << "<article id=\"" << anchor(i) << "\">\n<h2>" << escaped(r.name) << "</h2>\n";
        if (options.pictures && !r.picture.isEmpty()) {
            const QString picture = dataUrl(r.picture);
            if (!picture.isEmpty())
                out << "<img src=\"" << picture << "\" alt=\"" << escaped(r.name) << "\">\n";
        }
        if (!r.description.trimmed().isEmpty())
            out << "<p class=\"description\">" << escaped(r.description) << "</p>\n";
        out << "<p class=\"facts\">" << escaped(lines.value(3)) << "</p>\n";
        writeLines(out, RecipeDocument::memoLines(r.ingredients));
        writeLines(out, RecipeDocument::memoLines(r.directions));
        out << "</article>\n";
        if (out.status() != QTextStream::Ok)
            break;
    }

    if (options.index) {
        out << "<section class=\"index\" id=\"index\">\n<h2>Index</h2>\n<h3>Recipes</h3>\n<ul>\n";
        QVector<int> order(recipes.size());
        for (int i = 0; i < order.size(); ++i)
            order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&recipes](int a, int b) {
            return QString::compare(recipes.at(a).name, recipes.at(b).name, Qt::CaseInsensitive) < 0;
        });
        for (const int i : order)
            out << "<li><a href=\"#" << anchor(i) << "\">" << escaped(recipes.at(i).name) << "</a></li>\n";
        out << "</ul>\n<h3>Ingredients</h3>\n<ul>\n";
        for (const IngredientUse &use : ingredientIndex(recipes)) {
            out << "<li>" << escaped(use.name) << ": ";
            for (int k = 0; k < use.recipes.size(); ++k) {
                const int r = use.recipes.at(k);
                out << (k ? ", " : "") << "<a href=\"#" << anchor(r) << "\">" << escaped(recipes.at(r).name) << "</a>";
            }
            out << "</li>\n";
        }
        out << "</ul>\n</section>\n";
    }
    out << "</body>\n</html>\n";
    out.flush();
    if (out.status() != QTextStream::Ok || !save.commit()) {
        *error = QStringLiteral("Cannot write %1: %2").arg(file, save.errorString());
        return false;
    }
    return true;
}

} // namespace Cookbook
