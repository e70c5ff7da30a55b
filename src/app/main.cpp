#include "app/BackupController.h"
#include "app/FormPaa.h"
#include "app/FormUusi.h"
#include "app/SessionEnd.h"
#include "app/Windows.h"
#include "recipe/FormAnnos.h"
#include "recipe/FormResepti.h"
#include "recipe/RecipeWindowHost.h"
#include "platform/BookLock.h"
#include "platform/Dialogs.h"
#include "platform/InstalledLayout.h"
#include "platform/ProgressDialog.h"
#include "preview/GmMessages.h"
#include "preview/GmPrinter.h"
#include "print/RecipePrinting.h"
#include "settings/FormAbout.h"
#include "store/table/ProgramError.h"
#include "store/table/ProgramPaths.h"
#include "store/book/Trash.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QIcon>
#include <QLoggingCategory>
#include <QWidget>
#include <QWindow>
#include <QTextStream>
#include <QTimer>

#include <cstring>
#include <memory>

#include <cstdio>

namespace {

// Start-up events, off unless QT_LOGGING_RULES="mealdeck.startup.info=true".
Q_LOGGING_CATEGORY(lcStartup, "mealdeck.startup", QtWarningMsg)

// Says once, on the start-up category, when the window system first shows
// the main window (its first expose: on Wayland, after the compositor has
// configured the surface).
class ShownReport : public QObject
{
public:
    using QObject::QObject;

    static void report()
    {
        qCInfo(lcStartup, "main window shown on %s", qPrintable(QGuiApplication::platformName()));
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *window = qobject_cast<QWindow *>(watched);
        if (event->type() == QEvent::Expose && window && window->isExposed()) {
            report();
            window->removeEventFilter(this);
        }
        return false;
    }
};

// Reads the command line before any window system is reached, so that --help,
// --version and a mistyped option need no display. Returns the exit code when
// the program ends here, -1 when it goes on to start.
int readCommandLine(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Saffrona's Mealdeck, a recipe book. Without --home the book is the Data folder beside the "
                       "program or, for an installed program, in ~/.local/share/Mealdeck."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Shows the program's version."));
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption({QStringLiteral("home"), QStringLiteral("Keeps the recipe book in DIR/Data."),
                      QStringLiteral("DIR")});
    // The toolkit's own options stay accepted; the application object reads them.
    for (const char *name : {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                             "geometry", "qwindowicon", "icon", "qwindowtitle", "title", "display", "name", "session",
                             "style", "stylesheet"}) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char *name : {"reverse", "nograb", "dograb", "sync", "widgetcount"}) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    const QString usage = parser.helpText().replace(QLatin1String("<executable_name>"), QLatin1String("mealdeck"));
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "mealdeck: %s\n%s", qPrintable(parser.errorText()), qPrintable(usage));
        return 2;
    }
    if (parser.isSet(help)) {
        std::fputs(qPrintable(usage), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::fputs("mealdeck " MEALDECK_VERSION "\n", stdout);
        return 0;
    }
    return -1;
}

bool homeGiven(const QStringList &arguments)
{
    for (const QString &argument : arguments) {
        if (argument == QLatin1String("--home") || argument.startsWith(QLatin1String("--home=")))
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    // The daily backup at program end, in a process of its own (no windows).
    if (argc == 3 && std::strcmp(argv[1], BackupController::BackupOption) == 0) {
        QCoreApplication backup(argc, argv);
        return BackupController::runBackupAtEnd(QFile::decodeName(argv[2]));
    }
    const int ended = readCommandLine(argc, argv);
    if (ended >= 0)
        return ended;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mealdeck"));
    // The application title "Saffrona's Mealdeck" is Dialogs::applicationTitle(). It is
    // not the toolkit's display name: on X11 that would be appended to every
    // window caption.

    try {
        ProgramPaths::configureFromArguments(QApplication::arguments(), QApplication::applicationDirPath());
    } catch (const ProgramError &e) {
        QTextStream(stderr) << e.message() << '\n';
        return 2;
    }
    // Without --home an installed program keeps its book in the user's data
    // folder; a portable one beside the executable.
    if (!homeGiven(QApplication::arguments())) {
        const InstalledLayout::Decision layout = InstalledLayout::decide(QApplication::applicationDirPath());
        ProgramPaths::setProgramFolder(layout.programFolder);
        if (!layout.error.isEmpty())
            QTextStream(stderr) << layout.error << '\n';
        if (layout.bookCreated)
            Dialogs::information(layout.message);
    }
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/desktop/mealdeck.svg")));

    // One running copy per book: a second start brings the first to the front.
    BookLock lock(ProgramPaths::dataFolder());
    // The backup of the last session's end may still run: the start waits
    // for it, saying so after a second.
    std::unique_ptr<ProgressDialog> waiting;
    lock.setWaitingForBackup([&waiting] {
        if (!waiting) {
            waiting = std::make_unique<ProgressDialog>(
                nullptr,
                QStringLiteral("The recipe book is being backed up, as it is each time the program ends.\n"
                               "Saffrona's Mealdeck starts once the backup is done."),
                QStringLiteral("VarmuusOdotus"));
            waiting->showNow();
        }
        return waiting->busy();
    });
    const BookLock::Outcome outcome = lock.acquire();
    waiting.reset();
    switch (outcome) {
    case BookLock::Outcome::Owner:
        break;
    case BookLock::Outcome::HandedOver:
    case BookLock::Outcome::Withdrawn:
        return 0;
    case BookLock::Outcome::Unreachable:
        QTextStream(stderr) << lock.message() << '\n';
        Dialogs::information(lock.message());
        return 1;
    }
    if (const QString failed = BackupController::failedBackupAtEnd(ProgramPaths::dataFolder()); !failed.isEmpty()) {
        QTextStream(stderr) << failed << '\n';
        Dialogs::information(failed);
    }
    // The preview engine's messages are the program's information messages.
    GmMessages::setHandler([](const QString &text) { Dialogs::information(text); });
    // A foreign file kept aside in place of the trash is told once the
    // operation that found it has ended.
    RecipeBook::Trash::setNoticeHandler([](const QString &text) {
        QTimer::singleShot(0, qApp, [text] { Dialogs::information(text); });
    });

    // The windows in the program's creation order; the main window opens the tables.
    Windows &w = windows();
    auto *formPaa = new TFormPaa;
    w.FormPaa = formPaa;
    if (!formPaa->tablesOpened()) {
        delete formPaa;
        return 1;
    }
    w.FormUusi = new TFormUusi(formPaa->state(), formPaa->book(), formPaa);
    w.FormAnnos = new TFormAnnos(nullptr, formPaa);
    w.FormResepti = new TFormResepti(makeMainWindowHost(formPaa), w.FormAnnos);
    w.FormPrintPrev = RecipePrinting::install(w.FormResepti, formPaa);
    w.FormAbout = new TFormAbout(formPaa);

    // A logout (SIGTERM, SIGHUP) stores the typing and ends the program.
    SessionEnd sessionEnd(formPaa);

    lock.listen([&w] {
        QWidget *front = QApplication::activeModalWidget();
        for (QWidget *window : {static_cast<QWidget *>(w.FormResepti), static_cast<QWidget *>(w.FormPaa)}) {
            if (!front && window && window->isVisible())
                front = window;
        }
        BookLock::bringToFront(front);
    });

    ShownReport shownReport;
    formPaa->show();
    if (QWindow *window = formPaa->windowHandle()) {
        if (window->isExposed())
            ShownReport::report();
        else
            window->installEventFilter(&shownReport);
    }
    const int result = QApplication::exec();
    delete w.FormResepti;
    delete formPaa;
    w = Windows();
    // The windows are gone and the typing stored: the day's backup, if due,
    // in a process of its own.
    BackupController::backUpAtProgramEnd(ProgramPaths::dataFolder(), QCoreApplication::applicationFilePath());
    // The printer goes while the application still exists.
    TGmPrinter::release();
    return result;
}
