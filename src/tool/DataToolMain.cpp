// mealdeck-data: works on a recipe book from the command line (the commands
// and their usage lines are in commands() below).

#include "store/book/BookCheck.h"
#include "store/table/ProgramError.h"
#include "store/book/RecipeBook.h"
#include "tool/BackupCommands.h"
#include "tool/CommandFailure.h"
#include "tool/CookbookCommand.h"
#include "tool/DataToolImportExport.h"
#include "tool/NamesNotUtf8.h"
#include "tool/SearchCommand.h"
#include "tool/ShoppingCommand.h"
#include "tool/TrashTool.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QFile>
#include <QList>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Creates `path` and its missing parents as mkdir -p does, working on the
// bytes of the name so that any name the file system takes will do. The
// folders made are listed in `made`, outermost first. Throws ProgramError
// saying why when a part cannot be made.
void makePath(const QByteArray &path, QList<QByteArray> *made)
{
    QByteArray current;
    int from = 0;
    while (from <= path.size()) {
        int slash = path.indexOf('/', from);
        if (slash < 0)
            slash = int(path.size());
        current = path.left(slash);
        from = slash + 1;
        if (current.isEmpty() || current.endsWith('/'))
            continue;
        struct stat info;
        if (::stat(current.constData(), &info) == 0) {
            if (!S_ISDIR(info.st_mode))
                throw ProgramError(QStringLiteral("%1 is not a folder").arg(QFile::decodeName(current)));
            continue;
        }
        if (::mkdir(current.constData(), 0777) != 0 && errno != EEXIST)
            throw ProgramError(QStringLiteral("Cannot create %1: %2")
                                   .arg(QFile::decodeName(current), QString::fromLocal8Bit(std::strerror(errno))));
        made->append(current);
    }
}

void removeMade(const QList<QByteArray> &made)
{
    for (auto it = made.crbegin(); it != made.crend(); ++it)
        ::rmdir(it->constData());
}

// A folder given by the bytes of its name. A name that is not UTF-8 does not
// survive the trip through a QString: such a folder is reached through an
// open descriptor of it, whose /proc path is plain ASCII, open until close().
class NamedFolder
{
public:
    explicit NamedFolder(const QByteArray &folder) : m_path(QFile::decodeName(folder))
    {
        if (QFile::encodeName(m_path) == folder)
            return;
        m_descriptor = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (m_descriptor < 0) {
            std::fprintf(stderr, "mealdeck-data: Cannot open %s: %s\n", folder.constData(), std::strerror(errno));
            m_reached = false;
            return;
        }
        m_path = QStringLiteral("/proc/self/fd/%1").arg(m_descriptor);
    }
    ~NamedFolder() { close(); }
    Q_DISABLE_COPY_MOVE(NamedFolder)

    // False when the folder could not be opened (said on standard error).
    bool reached() const { return m_reached; }
    // The path to work on while the folder is open.
    const QString &path() const { return m_path; }
    void close()
    {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
        m_descriptor = -1;
    }

private:
    QString m_path;
    int m_descriptor = -1;
    bool m_reached = true;
};

// Creates DIR/Data, and DIR when missing, from the bytes of its name (a name
// that is not valid UTF-8 does not survive the trip through a QString). On
// failure the folders it made are removed and the reason is thrown.
int init(const QByteArray &folder, bool starter)
{
    if (folder.isEmpty())
        throw ProgramError(QStringLiteral("No folder given"));
    QList<QByteArray> made;
    try {
        makePath(folder, &made);
    } catch (const ProgramError &) {
        removeMade(made);
        throw;
    }
    NamedFolder named(folder);
    if (!named.reached()) {
        removeMade(made);
        return 1;
    }
    try {
        RecipeBook::createBook(named.path(), starter);
    } catch (const StoreError &e) {
        named.close();
        removeMade(made);
        throw StoreError(QString(e.message()).replace(named.path(), QFile::decodeName(folder)));
    }
    named.close();
    std::printf("Created %s/Data%s\n", folder.constData(), starter ? " with the starter book" : "");
    return 0;
}

// Checks the book in DIR/Data without changing it. Exit 0 when all is well,
// 1 when something was found, 2 when the book cannot be opened.
int check(const QByteArray &folder)
{
    NamedFolder named(folder);
    if (!named.reached())
        return 2;
    BookCheck book(named.path() + QStringLiteral("/Data"));
    const BookCheck::Outcome outcome = book.run();
    named.close();
    if (outcome == BookCheck::Outcome::Unopenable) {
        QString why = book.lines().value(0);
        why.replace(named.path(), QFile::decodeName(folder));
        return commandFailed(why);
    }
    for (const QString &line : book.lines())
        std::printf("%s\n", line.toLocal8Bit().constData());
    if (outcome == BookCheck::Outcome::Sound) {
        std::printf("All well\n");
        return 0;
    }
    std::printf("%d problem%s found\n", book.findings(), book.findings() == 1 ? "" : "s");
    return 1;
}

// One command of the tool: its usage lines and what it does.
struct Command
{
    QString name;
    QString synopsis;
    QString about;
};

QList<Command> commands()
{
    return {
        {QStringLiteral("init"), QStringLiteral("mealdeck-data init DIR [--starter]"),
         QStringLiteral("init creates DIR/Data with the three empty tables and Pics; with --starter a small starter "
                        "book as well. DIR is created when missing. An existing DIR/Data is left alone.")},
        {QStringLiteral("check"), QStringLiteral("mealdeck-data check DIR"),
         QStringLiteral("check reads the book in DIR/Data without changing it and reports damaged table files, "
                        "groups and recipes whose group is missing, and missing or stray picture files. Exit 0 when "
                        "all is well, 1 when something is reported, 2 when the book cannot be opened.")},
        {QStringLiteral("backup"), QStringLiteral("mealdeck-data backup DIR [OUT]"),
         QStringLiteral("backup writes DIR/Data into one zip file, OUT or a folder for Mealdeck-<date>.zip (the "
                        "current folder when left out).")},
        {QStringLiteral("restore"), QStringLiteral("mealdeck-data restore DIR FILE [--yes]"),
         QStringLiteral("restore checks FILE whole, shows what it holds, asks (unless --yes) and replaces DIR/Data "
                        "with it, keeping the old book beside it.")},
        {QStringLiteral("search"), QStringLiteral("mealdeck-data search DIR WORDS... [--limit N]"),
         QStringLiteral("search prints the recipes of the book in DIR/Data that contain every word, best first, one "
                        "a line: name, subgroup and main group separated by tabs (at most N with --limit). Exit 0 "
                        "with hits, 1 with none, 2 on an error.")},
        {QStringLiteral("trash"), trashUsage().trimmed(),
         QStringLiteral("trash lists what was deleted, newest first; --restore NAME puts the newest deletion of NAME "
                        "back, --empty destroys everything in the trash. Exit 1 when there is nothing to list or "
                        "restore.")},
        {QStringLiteral("import"),
         QStringLiteral("mealdeck-data import DIR FILE|URL... [--main-group NAME] [--keep-main-groups] [--encoding "
                        "NAME]"),
         QStringLiteral("import reads recipe files (Meal-Master, JSON-LD, web pages, Nextcloud Cookbook zips, "
                        "Paprika) and recipe pages by http:// or https:// address into the book in one "
                        "transaction. Exit 0 when all was done, 1 when something was skipped, 2 on an error.")},
        {QStringLiteral("export"),
         QStringLiteral("mealdeck-data export DIR OUT [--format mealmaster|jsonld] [--main-group NAME | --subgroup "
                        "NAME | --recipe NAME]"),
         QStringLiteral("export writes recipes as Meal-Master text or a JSON-LD zip. Exit 0 when all was done, 1 "
                        "when something was skipped or nothing found, 2 on an error.")},
        {QStringLiteral("shopping"), QStringLiteral("mealdeck-data shopping DIR \"RECIPE=PORTIONS\"... [--menu]"),
         QStringLiteral("shopping prints one shopping list for the recipes at those portions (with --menu, for the "
                        "saved menu as well): amounts of one ingredient added up, one item a line, then a tab and "
                        "the recipes it comes from. Exit 0; 2 naming an unknown recipe or a bad portion count.")},
        {QStringLiteral("cookbook"),
         QStringLiteral("mealdeck-data cookbook DIR OUT.pdf|OUT.html [--main-group NAME | --subgroup NAME] [--title "
                        "TEXT] [--no-pictures] [--paper A4|A5|Letter]"),
         QStringLiteral("cookbook writes the whole book, a main group or a subgroup as a cookbook: a PDF with a title "
                        "page, contents and an index, or one web page with the pictures inside. At most 5,000 "
                        "recipes. Exit 0; 2 naming an unknown group or a file that cannot be written.")},
    };
}

QString usageText()
{
    QString text;
    for (const Command &command : commands())
        text += (text.isEmpty() ? QStringLiteral("usage: ") : QStringLiteral("       ")) + command.synopsis + '\n';
    text += QStringLiteral("       mealdeck-data --help | --version | COMMAND --help\n");
    for (const Command &command : commands())
        text += command.about + '\n';
    return text;
}

// The help a command's arguments ask for: --help anywhere before "--", or -h
// right after the command.
bool asksForHelp(const QStringList &commandArguments)
{
    for (const QString &argument : commandArguments) {
        if (argument == QLatin1String("--"))
            return false;
        if (argument == QLatin1String("--help"))
            return true;
    }
    return commandArguments.value(0) == QLatin1String("-h");
}

void print(const QString &text, FILE *to)
{
    std::fputs(text.toLocal8Bit().constData(), to);
}

// Runs the command the arguments name.
int run(int argc, char *argv[], QStringList &arguments, const QString &usage)
{
    // init and check work on the bytes themselves; the words of a search are no names.
    const QString command = arguments.value(1);
    const bool cookbook = command == QLatin1String("cookbook");
    const bool ownBytes = command == QLatin1String("init") || command == QLatin1String("check");
    QString unusable;
    if (!ownBytes
        && !reachNamesThatAreNotUtf8(argc, argv, 2, command == QLatin1String("search") ? 2 : argc, &arguments,
                                     &unusable))
        return commandFailed(unusable);
    if (arguments.size() >= 3 && arguments.at(1) == QLatin1String("backup"))
        return BackupCommands::backup(arguments.mid(2));
    if (arguments.size() >= 3 && arguments.at(1) == QLatin1String("restore"))
        return BackupCommands::restore(arguments.mid(2));
    if (arguments.size() >= 2 && arguments.at(1) == QLatin1String("search"))
        return searchCommand(arguments, usage);
    if (arguments.size() >= 2 && arguments.at(1) == QLatin1String("import"))
        return importCommand(arguments.mid(2));
    if (arguments.size() >= 2 && arguments.at(1) == QLatin1String("export"))
        return exportCommand(arguments.mid(2));
    if (arguments.size() >= 2 && arguments.at(1) == QLatin1String("shopping"))
        return shoppingCommand(arguments.mid(2), usage);
    if (cookbook)
        return cookbookCommand(arguments.mid(2), usage);
    if (arguments.size() == 3 && arguments.at(1) == QLatin1String("check"))
        return check(QByteArray(argv[2]));
    if (arguments.size() >= 3 && arguments.at(1) == QLatin1String("trash"))
        return trashCommand(arguments.mid(2));
    if (arguments.size() < 3 || arguments.at(1) != QLatin1String("init") || arguments.size() > 4
        || (arguments.size() == 4 && arguments.at(3) != QLatin1String("--starter")))
        return wrongArguments(usage);
    return init(QByteArray(argv[2]), arguments.size() == 4);
}

} // namespace

int main(int argc, char *argv[])
{
    // A cookbook lays out text in fonts, which needs the GUI library (on no
    // screen unless one is asked for).
    const bool cookbook = argc > 1 && std::strcmp(argv[1], "cookbook") == 0;
    if (cookbook && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::unique_ptr<QCoreApplication> app =
        cookbook ? std::make_unique<QGuiApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    QStringList arguments = app->arguments();
    const QString usage = usageText();

    const QString first = arguments.value(1);
    if (first == QLatin1String("--help") || first == QLatin1String("-h") || first == QLatin1String("help")) {
        print(usage, stdout);
        return 0;
    }
    if (first == QLatin1String("--version")) {
        print(QStringLiteral("mealdeck-data " MEALDECK_VERSION "\n"), stdout);
        return 0;
    }
    for (const Command &command : commands()) {
        if (command.name == first && asksForHelp(arguments.mid(2))) {
            print(QStringLiteral("usage: ") + command.synopsis + '\n' + command.about + '\n', stdout);
            return 0;
        }
    }

    // A failure ends init with 1, every other command with 2.
    return reportingFailure(first == QLatin1String("init") ? 1 : 2,
                            [&] { return run(argc, argv, arguments, usage); });
}
