#include "StoreFixture.h"

#include "store/table/RecipeSchema.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>

#include <csignal>

namespace {

struct ChildRun
{
    QStringList lines; // what the child reported before it died
};

// Starts the child, lets it write for a random while, then kills it with SIGKILL.
ChildRun runAndKill(const QString &mode, const QString &data, long firstNumber, int minMs, int maxMs)
{
    QProcess child;
    child.setProgram(QStringLiteral(MEALDECK_CRASH_CHILD));
    child.setArguments({mode, data, QString::number(firstNumber)});
    child.start();
    if (!child.waitForStarted(5000))
        qFatal("crash child did not start");
    // Wait for "ready" so the kill falls into the writing.
    QByteArray out;
    while (!out.contains("ready") && child.waitForReadyRead(5000))
        out += child.readAllStandardOutput();
    QTest::qWait(minMs + int(QRandomGenerator::global()->bounded(maxMs - minMs)));
    // Only a running child is killed: a pid of 0 would mean the whole group.
    const qint64 pid = child.processId();
    if (child.state() == QProcess::Running && pid > 0)
        ::kill(pid_t(pid), SIGKILL);
    child.waitForFinished(5000);
    if (child.exitStatus() != QProcess::CrashExit)
        qWarning("child ended by itself with code %d", child.exitCode());
    out += child.readAllStandardOutput();
    ChildRun run;
    const QString text = QString::fromUtf8(out);
    run.lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (!text.endsWith(QLatin1Char('\n')) && !run.lines.isEmpty())
        run.lines.removeLast(); // a line cut by the kill
    const QByteArray errors = child.readAllStandardError();
    if (!errors.isEmpty())
        qWarning("child: %s", errors.constData());
    return run;
}

long lastNumber(const ChildRun &run, const char *what)
{
    long last = 0;
    for (const QString &line : run.lines) {
        if (line.startsWith(QLatin1String(what)))
            last = line.section(QLatin1Char(' '), 1).toLong();
    }
    return last;
}

// Reopens the book as the program does (which rolls back any hot journal),
// closes it again and checks every file with a connection of its own.
void reopenAndCheck(const StoreFixture &book)
{
    {
        auto a = book.open(QStringLiteral("Paaryhma"));
        auto b = book.open(QStringLiteral("Alaryhma"));
        auto c = book.open(QStringLiteral("Ohje"));
        QVERIFY(!c->hasPendingChanges());
    }
    for (const char *table : {"Paaryhma", "Alaryhma", "Ohje"}) {
        const QString file = book.file(QString::fromLatin1(table));
        QCOMPARE(queryFile(file, QStringLiteral("PRAGMA integrity_check")), QStringList{"ok"});
    }
}

QSet<QString> names(const QString &file, const QString &table)
{
    const QStringList list = queryFile(file, QStringLiteral("SELECT Nimi FROM %1").arg(table));
    return QSet<QString>(list.begin(), list.end());
}

} // namespace

class TestCrashSafety : public QObject
{
    Q_OBJECT

private slots:
    void appliedRowsSurviveAKill();
    void scopeIsAllOrNothing();
    void packSurvivesAKill();
};

void TestCrashSafety::appliedRowsSurviveAKill()
{
    StoreFixture book;
    const QString file = book.file(QStringLiteral("Ohje"));
    long total = 0;
    for (int round = 0; round < 5; ++round) {
        {
            // Each round starts from the rows of the last one.
            auto t = book.open(QStringLiteral("Ohje"));
            t->first();
            while (!t->eof()) {
                t->deleteRow();
            }
            t->apply();
        }
        const ChildRun run = runAndKill(QStringLiteral("apply"), book.data, 1, 20, 300);
        const long last = lastNumber(run, "applied");
        reopenAndCheck(book);
        if (QTest::currentTestFailed())
            return;
        const QSet<QString> stored = names(file, QStringLiteral("Ohje"));
        for (long i = 1; i <= last; ++i)
            QVERIFY2(stored.contains(QStringLiteral("r%1").arg(i)), qPrintable(QStringLiteral("r%1 lost").arg(i)));
        // At most the apply that was running when the kill came may be there too.
        QVERIFY(stored.size() == last || stored.size() == last + 1);
        const QStringList aineet = queryFile(file, QStringLiteral("SELECT Nimi || '|' || length(Aineet) FROM Ohje"));
        for (const QString &row : aineet)
            QVERIFY2(row.section(QLatin1Char('|'), 1).toInt() > 400, qPrintable(row));
        total += last;
    }
    QVERIFY2(total > 0, "the child never applied a row");
}

void TestCrashSafety::scopeIsAllOrNothing()
{
    StoreFixture book;
    const QString subFile = book.file(QStringLiteral("Alaryhma"));
    const QString recipeFile = book.file(QStringLiteral("Ohje"));
    long total = 0;
    for (int round = 0; round < 5; ++round) {
        QFile::remove(subFile);
        QFile::remove(recipeFile);
        QString error;
        QVERIFY_THROWS_NO_EXCEPTION(RecipeSchema::createTableFile(subFile, QStringLiteral("Alaryhma")));
        QVERIFY_THROWS_NO_EXCEPTION(RecipeSchema::createTableFile(recipeFile, QStringLiteral("Ohje")));

        const ChildRun run = runAndKill(QStringLiteral("scope"), book.data, 1, 20, 300);
        const long last = lastNumber(run, "applied");
        reopenAndCheck(book);
        if (QTest::currentTestFailed())
            return;
        const QSet<QString> subs = names(subFile, QStringLiteral("Alaryhma"));
        const QSet<QString> recipes = names(recipeFile, QStringLiteral("Ohje"));
        QCOMPARE(subs.size(), recipes.size());
        QVERIFY(subs.size() == last || subs.size() == last + 1);
        for (long i = 1; i <= subs.size(); ++i) {
            QVERIFY(subs.contains(QStringLiteral("s%1").arg(i)));
            QVERIFY(recipes.contains(QStringLiteral("r%1").arg(i)));
        }
        total += last;
    }
    QVERIFY2(total > 0, "the child never committed a scope");
}

void TestCrashSafety::packSurvivesAKill()
{
    StoreFixture book;
    const QString file = book.file(QStringLiteral("Ohje"));
    for (int round = 0; round < 5; ++round) {
        const long before = queryFile(file, QStringLiteral("SELECT count(*) FROM Ohje")).first().toLong();
        const ChildRun run = runAndKill(QStringLiteral("pack"), book.data, 1 + round * 100000L, 20, 400);
        const long last = run.lines.size() > 1 ? lastNumber(run, "count") : before;
        reopenAndCheck(book);
        if (QTest::currentTestFailed())
            return;
        const long count = queryFile(file, QStringLiteral("SELECT count(*) FROM Ohje")).first().toLong();
        QVERIFY2(count == last || count == last + 20 || count == last - 10,
                 qPrintable(QStringLiteral("%1 rows after reporting %2").arg(count).arg(last)));
        // Rows are whole and in order.
        const QStringList rows = queryFile(file, QStringLiteral("SELECT Nimi || '|' || Aineet FROM Ohje ORDER BY id"));
        long previous = 0;
        for (const QString &row : rows) {
            const QString name = row.section(QLatin1Char('|'), 0, 0);
            QCOMPARE(row.section(QLatin1Char('|'), 1), (name + QStringLiteral(" 2,5 dl milk\n")).repeated(40));
            const long n = name.mid(1).toLong();
            QVERIFY(n > previous);
            previous = n;
        }
    }
}

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "TestCrashSafety.moc"
