// A desktop logout ends the program with SIGTERM (and SIGHUP). The real
// program runs on a private X server, keys are typed into its windows, the
// real signal is sent, and the book on disk must hold the typing.
#include "platform/BookLock.h"
#include "settings/SettingsStore.h"
#include "store/table/ProgramError.h"
#include "store/book/RecipeSearch.h"
#include "support/BookFixture.h"
#include "support/XServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>

#include <sqlite3.h>

namespace {

const QString Recipe = QStringLiteral("Cinnamon Buns");
const QString Typed = QStringLiteral("Typed at logout ");

// A window title as the program sets it: the window manager's title adds
// " — " and the application name to every title but the bare application name.
bool titleShown(const QStringList &titles, const QString &title)
{
    for (const QString &each : titles)
        if (each == title || each.startsWith(title + QStringLiteral(" \u2014 ")))
            return true;
    return false;
}

} // namespace

class TestSessionEnd : public QObject
{
    Q_OBJECT

private:
    // Runs the steps against the program: "key:<keys>" and "type:<text>" go
    // through xdotool; "show:<title>" and "hide:<title>" wait until a window
    // with that title is shown or gone. Since the program handles input in
    // order, a window that a key opens is shown only after the keys before it.
    void runSteps(const XServer &server, qint64 pid, const QStringList &steps)
    {
        for (const QString &step : steps) {
            const QString what = step.section(QLatin1Char(':'), 0, 0);
            const QString argument = step.section(QLatin1Char(':'), 1);
            if (what == QLatin1String("key")) {
                QStringList arguments{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("40")};
                arguments += argument.split(QLatin1Char(' '));
                server.run(QStringLiteral("xdotool"), arguments);
            } else if (what == QLatin1String("type")) {
                server.run(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("--delay"),
                                                       QStringLiteral("40"), argument});
            } else if (what == QLatin1String("exists")) {
                const QDeadlineTimer deadline(60000);
                while (!QFile::exists(argument) && !deadline.hasExpired())
                    QThread::msleep(5);
                QVERIFY2(QFile::exists(argument), qPrintable(argument + QStringLiteral(" never made")));
            } else {
                const bool shown = what == QLatin1String("show");
                const QDeadlineTimer deadline(60000);
                while (titleShown(server.windowTitles(pid), argument) != shown && !deadline.hasExpired())
                    QThread::msleep(100);
                QVERIFY2(titleShown(server.windowTitles(pid), argument) == shown,
                         qPrintable(QStringLiteral("%1 \"%2\"; windows: %3")
                                        .arg(shown ? QStringLiteral("never shown") : QStringLiteral("never gone"),
                                             argument, server.windowTitles(pid).join(QStringLiteral(" | ")))));
            }
        }
    }

    // Builds the book's search index, then overwrites the page of its copy
    // of the recipe texts, which every change to a recipe writes.
    static void damageSearchIndex(const QString &data)
    {
        {
            RecipeSearch search(data);
            QVERIFY_THROWS_NO_EXCEPTION(search.rebuild());
        }
        const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
        const QString index = data + QLatin1Char('/') + RecipeSearch::indexFileName();
        QProcess query;
        query.start(shell, {index, QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = 'HakuRivit'; "
                                                  "PRAGMA page_size;")});
        QVERIFY(query.waitForFinished(10000));
        const QList<QByteArray> numbers = query.readAllStandardOutput().split('\n');
        const qint64 page = numbers.value(0).toLongLong();
        const qint64 size = numbers.value(1).toLongLong();
        QVERIFY(page > 1 && size > 0);
        QFile file(index);
        QVERIFY(file.open(QIODevice::ReadWrite) && file.seek((page - 1) * size));
        file.write(QByteArray(int(size), '\x5a'));
    }

private Q_SLOTS:
    void logoutStoresTheTyping_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("expected");

        const QString groups = QStringLiteral("show:Saffrona's Mealdeck   -   Groups");
        // Baking, Cakes and Buns, Cinnamon Buns: the recipe list has the focus.
        const QString toRecipe = QStringLiteral("key:Down Return Return");
        const QString recipeWindow = QStringLiteral("show:Saffrona\u00b4s Mealdeck  -  Recipes   -   ") + Recipe;
        // The quick guide opens after the keys typed before it are handled.
        const QStringList settled{QStringLiteral("key:F2"), QStringLiteral("show:Saffrona's Mealdeck"),
                                  QStringLiteral("key:Escape"), QStringLiteral("hide:Saffrona's Mealdeck")};

        QTest::addRow("recipe window")
            << SIGTERM << (QStringList{groups, toRecipe, QStringLiteral("key:Return"), recipeWindow, "type:" + Typed}
                           + settled)
            << "Aineet" << Typed;
        QTest::addRow("recipe window, save question open")
            << SIGTERM
            << QStringList{groups,         toRecipe, QStringLiteral("key:Return"), recipeWindow, "type:" + Typed,
                           "key:Escape", QStringLiteral("show:Ingredients list changed")}
            << "Aineet" << Typed;
        QTest::addRow("description")
            << SIGHUP << (QStringList{groups, toRecipe, QStringLiteral("key:Tab"), "type:" + Typed} + settled)
            << "Kuvaus" << Typed;
        QTest::addRow("description question open")
            << SIGTERM
            << QStringList{groups, toRecipe, QStringLiteral("key:Tab"), "type:" + Typed, "key:Escape",
                           QStringLiteral("show:Description changed")}
            << "Kuvaus" << Typed;
        QTest::addRow("difficulty and time")
            << SIGTERM
            << (QStringList{groups, toRecipe, QStringLiteral("key:alt+d"), QStringLiteral("type:Tricky"),
                            QStringLiteral("key:alt+e"), QStringLiteral("type:Late")}
                + settled)
            << "Aste,Aika" << "Tricky,Late";
        // An import under way is cancelled, all or nothing, and the typing
        // stored on its own (@IMPORT@ is a big Meal-Master file, @DATA@ the
        // book's folder; the import's journal shows it is writing).
        QTest::addRow("import under way")
            << SIGTERM
            << QStringList{groups,
                           toRecipe,
                           QStringLiteral("key:Tab"),
                           "type:" + Typed,
                           QStringLiteral("key:alt+b i"),
                           QStringLiteral("show:Import Recipes"),
                           QStringLiteral("type:@IMPORT@"),
                           QStringLiteral("key:Return"),
                           QStringLiteral("show:Saffrona's Mealdeck   -   Import Recipes"),
                           QStringLiteral("key:Return"),
                           QStringLiteral("exists:@DATA@/Paaryhma.db-journal")}
            << "Kuvaus" << Typed;
        // The search index has a damaged page: the typing is stored without it.
        QTest::addRow("description, search index damaged")
            << SIGTERM
            << (QStringList{QStringLiteral("setup:damaged-index"), groups, toRecipe, QStringLiteral("key:Tab"),
                            "type:" + Typed}
                + settled)
            << "Kuvaus" << Typed;
        // A question that would delete is answered No.
        QTest::addRow("deletion question open")
            << SIGTERM
            << QStringList{groups, toRecipe, QStringLiteral("key:Delete"),
                           QStringLiteral("show:Saffrona\u00b4s Mealdeck  -  Delete Recipe")}
            << "Nimi" << Recipe;
    }

    void logoutStoresTheTyping()
    {
        QFETCH(int, signal);
        QFETCH(QStringList, steps);
        QFETCH(QString, field);
        QFETCH(QString, expected);

        XServer server(1280, 1024, true);
        REQUIRE_XSERVER(server);
        BookFixture book(true);
        QVERIFY2(book.isValid(), qPrintable(book.error()));
        {
            SettingsKey key;
            QVERIFY(key.open());
            key.writeBool(QLatin1String(SettingNames::About), true);
            key.writeBool(QLatin1String(SettingNames::Aines), true);
        }

        QTemporaryDir files;
        const QString importFile = files.filePath(QStringLiteral("big.mmf"));
        if (steps.join(QLatin1Char('\n')).contains(QLatin1String("@IMPORT@"))) {
            QFile big(importFile);
            QVERIFY(big.open(QIODevice::WriteOnly));
            for (int i = 0; i < 50000; ++i)
                big.write(QStringLiteral("MMMMM----- Recipe via Meal-Master (tm) v8.05\n      Title: Imported %1\n"
                                         " Categories: Group %2\n\n      1 c  flour\n\n  Stir.\nMMMMM\n")
                              .arg(i)
                              .arg(i % 100)
                              .toUtf8());
            for (QString &step : steps)
                step.replace(QLatin1String("@IMPORT@"), importFile).replace(QLatin1String("@DATA@"), book.dataFolder());
        }

        if (steps.removeAll(QStringLiteral("setup:damaged-index"))) {
            if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
                QSKIP("sqlite3 shell not installed");
            damageSearchIndex(book.dataFolder());
            if (QTest::currentTestFailed())
                return;
        }

        QProcess program;
        QProcessEnvironment environment = server.environment();
        environment.remove(QStringLiteral("MEALDECK_TEST"));
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(QStringLiteral(MEALDECK_PROGRAM), {QStringLiteral("--home"), book.programFolder()});
        QVERIFY(program.waitForStarted(10000));
        runSteps(server, program.processId(), steps);
        if (QTest::currentTestFailed()) {
            program.kill();
            program.waitForFinished(10000);
            return;
        }

        QElapsedTimer clock;
        clock.start();
        QCOMPARE(::kill(pid_t(program.processId()), signal), 0);
        const bool ended = program.waitForFinished(60000);
        qInfo("ended %lld ms after the signal", clock.elapsed());
        if (!ended) {
            program.kill();
            program.waitForFinished(10000);
        }
        QVERIFY2(ended, "the program did not end");
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);

        const QStringList fields = field.split(QLatin1Char(','));
        const QStringList values = expected.split(QLatin1Char(','));
        for (int i = 0; i < fields.size(); ++i) {
            const QString stored = book.storedRecipeField(Recipe, fields[i]);
            QVERIFY2(stored.startsWith(values[i]),
                     qPrintable(QStringLiteral("%1 is \"%2\"").arg(fields[i], stored.left(60))));
        }
        // None of an import that was under way is in the book.
        QCOMPARE(book.storedRecipeField(QStringLiteral("Imported 0"), QStringLiteral("Nimi")), QString());
    }

    // The daily backup at exit runs in a process of its own: the program ends
    // while the backup still waits (here for a table file a test connection
    // keeps locked), a start meanwhile waits for the backup instead of calling
    // the first copy dead, and a backup that failed is told at the next start.
    void exitLeavesTheBackupToAProcessAStartWaitsFor()
    {
        BookFixture book(true);
        QVERIFY2(book.isValid(), qPrintable(book.error()));
        const QString data = book.dataFolder();
        const QString backups = QFileInfo(data).absolutePath() + QStringLiteral("/Backups");
        auto start = [&](QProcess &program) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            environment.insert(QStringLiteral("MEALDECK_TEST"), QStringLiteral("1"));
            program.setProcessEnvironment(environment);
            program.start(QStringLiteral(MEALDECK_PROGRAM), {QStringLiteral("--home"), book.programFolder()});
            QVERIFY(program.waitForStarted(10000));
        };
        // The copy answers on its socket once its windows exist.
        auto answers = [&] {
            QLocalSocket socket;
            socket.connectToServer(BookLock::serverName(data));
            return socket.waitForConnected(200);
        };
        auto lockHolder = [&] {
            QLockFile lock(data + QStringLiteral("/Mealdeck.lock"));
            qint64 pid = 0;
            return lock.getLockInfo(&pid, nullptr, nullptr) ? pid : 0;
        };
        auto end = [](QProcess &program) {
            QCOMPARE(::kill(pid_t(program.processId()), SIGTERM), 0);
            QVERIFY(program.waitForFinished(20000));
            QCOMPARE(program.exitStatus(), QProcess::NormalExit);
            QCOMPARE(program.exitCode(), 0);
        };
        auto zips = [&] { return QDir(backups).entryList({QStringLiteral("*.zip")}, QDir::Files); };

        QProcess first;
        start(first);
        QTRY_VERIFY_WITH_TIMEOUT(answers(), 30000);
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(data + QStringLiteral("/Ohje.db")).constData(), &db), SQLITE_OK);
        // The copy may still be reading the book for its search index.
        sqlite3_busy_timeout(db, 30000);
        QCOMPARE(sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        const qint64 firstPid = first.processId();
        end(first);
        QVERIFY(zips().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(lockHolder() > 0 && lockHolder() != firstPid, 20000);

        QProcess second;
        start(second);
        QTest::qWait(1500);
        QCOMPARE(second.state(), QProcess::Running);
        QVERIFY(!answers());
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        QTRY_COMPARE_WITH_TIMEOUT(zips().size(), 1, 30000);
        QTRY_VERIFY_WITH_TIMEOUT(answers(), 30000);
        QCOMPARE(lockHolder(), second.processId());
        end(second);
        const QByteArray said = second.readAllStandardError();
        QVERIFY2(!said.contains("does not answer"), said.constData());

        // A backup that cannot be written is told when the program starts next.
        QVERIFY(QDir(backups).removeRecursively());
        QFile blocker(backups);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        {
            QFile picture(data + QStringLiteral("/Pics/New.jpg"));
            QVERIFY(picture.open(QIODevice::WriteOnly));
        }
        QProcess third;
        start(third);
        QTRY_VERIFY_WITH_TIMEOUT(answers(), 30000);
        end(third);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(data + QStringLiteral("/Mealdeck-backup-failed.txt")), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(lockHolder(), 0, 30000);
        QProcess fourth;
        start(fourth);
        QTRY_VERIFY_WITH_TIMEOUT(answers(), 30000);
        QFile::remove(backups);
        end(fourth);
        const QByteArray told = fourth.readAllStandardError();
        QVERIFY2(told.contains("automatic backup of the recipe book when Saffrona's Mealdeck last ended failed"),
                 told.constData());
        QTRY_VERIFY_WITH_TIMEOUT(!QDir(backups).exists() || zips().size() == 1, 30000);
    }
};

QTEST_MAIN(TestSessionEnd)
#include "TestSessionEnd.moc"
