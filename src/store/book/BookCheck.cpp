#include "store/book/BookCheck.h"

#include "store/table/PicturePaths.h"
#include "store/table/ProgramError.h"
#include "store/table/RecipeSchema.h"
#include "store/book/RecipeSearch.h"
#include "store/table/SqlStatement.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QUrl>

#include <algorithm>

#include <dirent.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A name from the book on one printable line: control characters (a newline
// in a name would split the report) are shown as \uXXXX.
QString printable(const QString &name)
{
    QString out;
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u <= 0x9F))
            out += QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QString shown(const QString &name)
{
    return QLatin1Char('"') + printable(name) + QLatin1Char('"');
}

bool isRegularFile(const QString &path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

// A logical field as the program reads it: a number other than 0, or a
// text such as "True" or "yes".
bool logicalValue(const SqlStatement &select, int column)
{
    if (select.isNull(column))
        return false;
    if (select.isInteger(column))
        return select.columnInt64(column) != 0;
    static const QStringList yes{QStringLiteral("true"), QStringLiteral("t"), QStringLiteral("yes"),
                                 QStringLiteral("y"), QStringLiteral("1")};
    return yes.contains(select.columnText(column).trimmed().toLower());
}

// An open read-only connection to one table file.
class ReadOnlyFile
{
public:
    explicit ReadOnlyFile(const QString &path)
    {
        // Every byte outside the unreserved set is percent-encoded, so '?',
        // '#' and '%' in folder names are not taken for URI syntax.
        const QByteArray uri = "file:" + QUrl::toPercentEncoding(path, "/") + "?mode=ro";
        const int rc = sqlite3_open_v2(uri.constData(), &m_db,
                                       SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_EXRESCODE, nullptr);
        if (rc != SQLITE_OK) {
            const QString why = QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc));
            sqlite3_close_v2(m_db);
            m_db = nullptr;
            throw StoreError(why);
        }
        sqlite3_busy_timeout(m_db, 2000);
    }
    ~ReadOnlyFile() { sqlite3_close_v2(m_db); }
    Q_DISABLE_COPY_MOVE(ReadOnlyFile)

    sqlite3 *handle() const { return m_db; }

private:
    sqlite3 *m_db = nullptr;
};

} // namespace

BookCheck::BookCheck(const QString &dataFolder)
    : m_dataFolder(dataFolder)
{
}

void BookCheck::report(const QString &line)
{
    m_lines << line;
    ++m_findings;
}

BookCheck::Outcome BookCheck::run()
{
    m_lines.clear();
    m_findings = 0;
    struct stat info {};
    const QByteArray folder = QFile::encodeName(m_dataFolder);
    if (::stat(folder.constData(), &info) != 0 || !S_ISDIR(info.st_mode)
        || ::access(folder.constData(), R_OK | X_OK) != 0) {
        m_lines << QStringLiteral("Cannot open the book: %1 is not a readable folder").arg(m_dataFolder);
        return Outcome::Unopenable;
    }

    Rows mainGroups, subgroups, recipes;
    const bool haveMain = readTable(QStringLiteral("Paaryhma"), mainGroups);
    const bool haveSub = readTable(QStringLiteral("Alaryhma"), subgroups);
    const bool haveRecipes = readTable(QStringLiteral("Ohje"), recipes);

    auto names = [](const Rows &rows) {
        QSet<QString> set;
        for (const Row &row : rows)
            set.insert(row.name);
        return set;
    };
    if (haveMain && haveSub) {
        const QSet<QString> known = names(mainGroups);
        for (const Row &row : subgroups) {
            if (!known.contains(row.group))
                report(QStringLiteral("Subgroup %1: its main group %2 is missing").arg(shown(row.name), shown(row.group)));
        }
    }
    if (haveSub && haveRecipes) {
        const QSet<QString> known = names(subgroups);
        for (const Row &row : recipes) {
            if (!known.contains(row.group))
                report(QStringLiteral("Recipe %1: its subgroup %2 is missing").arg(shown(row.name), shown(row.group)));
        }
    }
    if (haveRecipes)
        checkPictures(recipes);
    checkIndex();
    return m_findings == 0 ? Outcome::Sound : Outcome::Faulty;
}

bool BookCheck::readTable(const QString &table, Rows &rows)
{
    const QString fileName = table + QStringLiteral(".db");
    const QString path = m_dataFolder + QLatin1Char('/') + fileName;
    if (!isRegularFile(path)) {
        report(QStringLiteral("%1: missing").arg(fileName));
        return false;
    }
    try {
        ReadOnlyFile file(path);
        sqlite3 *db = file.handle();
        {
            SqlStatement appId(db, QStringLiteral("PRAGMA application_id"));
            if (!appId.step() || appId.columnInt64(0) != RecipeSchema::ApplicationId) {
                report(QStringLiteral("%1: not a recipe table file").arg(fileName));
                return false;
            }
        }
        {
            // A file cut short keeps a valid header; the check below would
            // not always notice the missing pages.
            SqlStatement count(db, QStringLiteral("PRAGMA page_count"));
            SqlStatement size(db, QStringLiteral("PRAGMA page_size"));
            const qint64 pages = count.step() ? count.columnInt64(0) : 0;
            const qint64 pageSize = size.step() ? size.columnInt64(0) : 0;
            struct stat info {};
            if (::stat(QFile::encodeName(path).constData(), &info) != 0 || info.st_size < pages * pageSize) {
                report(QStringLiteral("%1: the file is truncated").arg(fileName));
                return false;
            }
        }
        {
            SqlStatement check(db, QStringLiteral("PRAGMA integrity_check"));
            QStringList problems;
            while (check.step())
                problems << check.columnText(0);
            if (problems != QStringList{QStringLiteral("ok")}) {
                report(QStringLiteral("%1: damaged: %2").arg(fileName, problems.value(0).simplified()));
                return false;
            }
        }
        const bool hasGroup = table != QLatin1String("Paaryhma");
        const bool hasPicture = table == QLatin1String("Ohje");
        SqlStatement select(db, QStringLiteral("SELECT Nimi, %1, %2 FROM %3 ORDER BY id")
                                    .arg(hasGroup ? QStringLiteral("Ryhma") : QStringLiteral("NULL"),
                                         hasPicture ? QStringLiteral("Kuva") : QStringLiteral("NULL"),
                                         SqlStatement::quoteName(table)));
        while (select.step())
            rows.append({select.columnText(0), select.columnText(1), hasPicture && logicalValue(select, 2)});
    } catch (const StoreError &e) {
        report(QStringLiteral("%1: cannot be read: %2").arg(fileName, e.message()));
        return false;
    }
    m_lines << QStringLiteral("%1: ok").arg(fileName);
    return true;
}

void BookCheck::checkIndex()
{
    const QString fileName = RecipeSearch::indexFileName();
    const QString path = m_dataFolder + QLatin1Char('/') + fileName;
    if (!QFileInfo::exists(path))
        return;
    const QString rebuilt = QStringLiteral("; the program builds it anew at the next search");
    try {
        ReadOnlyFile file(path);
        SqlStatement check(file.handle(), QStringLiteral("PRAGMA integrity_check"));
        QStringList problems;
        while (check.step())
            problems << check.columnText(0);
        if (problems != QStringList{QStringLiteral("ok")}) {
            report(QStringLiteral("%1: the search index is damaged: %2%3")
                       .arg(fileName, problems.value(0).simplified(), rebuilt));
            return;
        }
    } catch (const StoreError &e) {
        report(QStringLiteral("%1: the search index cannot be read: %2%3").arg(fileName, e.message(), rebuilt));
        return;
    }
    m_lines << QStringLiteral("%1: ok").arg(fileName);
}

void BookCheck::checkPictures(const Rows &recipes)
{
    const QString pics = m_dataFolder + QStringLiteral("/Pics/");
    QSet<QByteArray> belonging;
    for (const Row &row : recipes) {
        const QString fileName = PicturePaths::pictureFileName(row.name);
        belonging.insert(QFile::encodeName(fileName));
        if (row.picture && !isRegularFile(pics + fileName))
            report(QStringLiteral("Recipe %1: its picture Pics/%2 is missing").arg(shown(row.name), printable(fileName)));
    }

    // Read as bytes: a file name that is not UTF-8 is still a stray file.
    DIR *dir = ::opendir(QFile::encodeName(pics).constData());
    if (!dir)
        return;
    QList<QByteArray> strays;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == ".." || belonging.contains(name))
            continue;
        struct stat info {};
        if (::fstatat(::dirfd(dir), entry->d_name, &info, 0) == 0 && S_ISDIR(info.st_mode))
            continue;
        strays << name;
    }
    ::closedir(dir);
    std::sort(strays.begin(), strays.end());
    for (const QByteArray &name : strays)
        report(QStringLiteral("Picture file Pics/%1 belongs to no recipe").arg(printable(QFile::decodeName(name))));
}
