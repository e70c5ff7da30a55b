#include "app/BackupMenu.h"
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
#include "preview/GmMessages.h"
#include "preview/GmPrinter.h"
#include "print/RecipePrinting.h"
#include "settings/FormAbout.h"
#include "store/ProgramPaths.h"
#include "store/Trash.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QProgressDialog>
#include <QWidget>
#include <QTextStream>
#include <QTimer>

#include <cstring>
#include <memory>

namespace {

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
    if (argc == 3 && std::strcmp(argv[1], BackupMenu::BackupOption) == 0) {
        QCoreApplication backup(argc, argv);
        return BackupMenu::runBackupAtEnd(QFile::decodeName(argv[2]));
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mealdeck"));
    // The application title "Saffrona's Mealdeck" is Dialogs::applicationTitle(). It is
    // not the toolkit's display name: on X11 that would be appended to every
    // window caption.

    QString error;
    if (!ProgramPaths::configureFromArguments(QApplication::arguments(), QApplication::applicationDirPath(), &error)) {
        QTextStream(stderr) << error << '\n';
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
    std::unique_ptr<QProgressDialog> waiting;
    lock.setWaitingForBackup([&waiting] {
        if (!waiting) {
            waiting = std::make_unique<QProgressDialog>(
                QStringLiteral("The recipe book is being backed up, as it is each time the program ends.\n"
                               "Saffrona's Mealdeck starts once the backup is done."),
                QStringLiteral("Cancel"), 0, 0);
            waiting->setObjectName(QStringLiteral("VarmuusOdotus"));
            waiting->setWindowTitle(Dialogs::applicationTitle());
            waiting->setMinimumDuration(0);
            waiting->show();
        }
        QApplication::processEvents();
        return !waiting->wasCanceled();
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
    if (const QString failed = BackupMenu::failedBackupAtEnd(ProgramPaths::dataFolder()); !failed.isEmpty()) {
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
    w.FormUusi = new TFormUusi(formPaa->state(), formPaa->Table1(), formPaa->Table2(), formPaa->Table3(), formPaa);
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

    formPaa->show();
    const int result = QApplication::exec();
    delete w.FormResepti;
    delete formPaa;
    w = Windows();
    // The windows are gone and the typing stored: the day's backup, if due,
    // in a process of its own.
    BackupMenu::backUpAtProgramEnd(ProgramPaths::dataFolder(), QCoreApplication::applicationFilePath());
    // The printer goes while the application still exists.
    TGmPrinter::release();
    return result;
}
