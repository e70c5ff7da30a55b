#include "store/book/RecipeBook.h"
#include "support/XServer.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>

// The captions as the X server sees them, with the real program on a private
// X server driven by keys: every window must reach the window manager exactly
// as the program names it, with nothing appended.
class TestWindowTitles : public QObject
{
    Q_OBJECT

private:
    // Waits until the process shows a window with exactly this title; the
    // titles seen last are in `seen`.
    static bool waitForTitle(const XServer &x, qint64 pid, const QString &title, QStringList *seen)
    {
        return waitFor(x, pid, [&title](const QStringList &titles) { return titles.contains(title); }, seen);
    }

    // Waits until the process's titles satisfy `done`.
    template<typename Done>
    static bool waitFor(const XServer &x, qint64 pid, Done done, QStringList *seen)
    {
        const QDeadlineTimer deadline(30000);
        while (!deadline.hasExpired()) {
            *seen = x.windowTitles(pid);
            if (done(*seen))
                return true;
            QThread::msleep(200);
        }
        return false;
    }

    static void startProgram(QProcess &program, const XServer &x, const QString &home, const QString &config)
    {
        QProcessEnvironment env = x.environment();
        // The child is the program a person uses, not one in test mode.
        env.remove(QStringLiteral("MEALDECK_TEST"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
        program.setProcessEnvironment(env);
        program.setProgram(QStringLiteral(MEALDECK_PROGRAM));
        program.setArguments({QStringLiteral("--home"), home});
        program.setStandardOutputFile(QProcess::nullDevice());
        program.start();
    }

    static void stop(QProcess &program)
    {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished(5000);
        }
    }

    static QString describe(const QStringList &seen)
    {
        return QStringLiteral("titles seen: [") + seen.join(QStringLiteral("], [")) + QLatin1Char(']');
    }

private Q_SLOTS:
    void captionsReachTheWindowManagerUnchanged()
    {
        XServer x(1280, 1024, true);
        REQUIRE_XSERVER(x);
        QTemporaryDir home;
        QTemporaryDir config;
        QString error;
        QVERIFY_THROWS_NO_EXCEPTION(RecipeBook::createBook(home.path(), true));

        QProcess program;
        startProgram(program, x, home.path(), config.path());
        QVERIFY(program.waitForStarted(10000));
        const qint64 pid = program.processId();
        QStringList seen;
        // A first start shows the about window over the main window.
        const bool shown = waitForTitle(x, pid, QStringLiteral("Saffrona's Mealdeck   -   About"), &seen)
            && waitForTitle(x, pid, QStringLiteral("Saffrona's Mealdeck   -   Groups"), &seen);
        if (!shown)
            stop(program);
        QVERIFY2(shown, qPrintable(describe(seen)));

        // OK closes it; Enter three times opens the first recipe of the book,
        // and Recipe > Print Preview its preview.
        x.run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Return")});
        const bool closed = waitFor(
            x, pid,
            [](const QStringList &titles) {
                return titles.size() == 1 && titles.first() == QLatin1String("Saffrona's Mealdeck   -   Groups");
            },
            &seen);
        if (!closed)
            stop(program);
        QVERIFY2(closed, qPrintable(describe(seen)));
        for (int i = 0; i < 3; ++i) {
            QThread::msleep(1000);
            x.run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Return")});
        }
        const QString recipe = QStringLiteral("Saffrona\u00b4s Mealdeck  -  Recipes   -   Creamy Potato Soup");
        bool ok = waitForTitle(x, pid, recipe, &seen);
        if (!ok)
            stop(program);
        QVERIFY2(ok, qPrintable(describe(seen)));
        x.run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("alt+r")});
        QThread::msleep(300);
        x.run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("w")});
        // The preview's caption ends with the recipe's name.
        ok = waitFor(
            x, pid,
            [&recipe](const QStringList &titles) {
                return std::any_of(titles.cbegin(), titles.cend(), [&recipe](const QString &title) {
                    return title != recipe && title.endsWith(QLatin1String(" Creamy Potato Soup"));
                });
            },
            &seen);
        stop(program);
        QVERIFY2(ok, qPrintable(describe(seen)));
        QVERIFY2(std::none_of(seen.cbegin(), seen.cend(),
                              [](const QString &title) { return title.contains(QStringLiteral(" \u2014 ")); }),
                 qPrintable(describe(seen)));
    }

    void databaseNotFoundCaption()
    {
        XServer x(1280, 1024, true);
        REQUIRE_XSERVER(x);
        QTemporaryDir home;
        QTemporaryDir config;
        QProcess program;
        startProgram(program, x, home.path(), config.path());
        QVERIFY(program.waitForStarted(10000));
        QStringList seen;
        const bool shown = waitForTitle(x, program.processId(), QStringLiteral("Database not found"), &seen);
        // OK ends the program.
        x.run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Return")});
        const bool ended = program.waitForFinished(10000);
        stop(program);
        QVERIFY2(shown, qPrintable(describe(seen)));
        QVERIFY(ended);
        QCOMPARE(program.exitCode(), 1);
    }
};

QTEST_GUILESS_MAIN(TestWindowTitles)
#include "TestWindowTitles.moc"
