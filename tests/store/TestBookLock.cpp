#include "StoreFixture.h"

#include "store/table/ProgramError.h"

#include <QDateTime>
#include <QLockFile>
#include <QProcess>
#include <QSysInfo>

#include <unistd.h>

// Every mealdeck-data command that changes the book takes the book's lock,
// the one the program holds while it runs; the commands that only read work
// beside it. A lock of another computer sharing the folder is never taken
// over, whatever its host name or age.
class TestBookLock : public QObject
{
    Q_OBJECT

    static int run(const QStringList &arguments, QByteArray *said = nullptr)
    {
        QProcess tool;
        tool.start(QStringLiteral(MEALDECK_DATA_TOOL), arguments);
        if (!tool.waitForFinished(60000))
            return -1;
        if (said)
            *said = tool.readAllStandardOutput() + tool.readAllStandardError();
        return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    }

    static QString writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    static QString recipeCount(const StoreFixture &book)
    {
        return queryFile(book.file(QStringLiteral("Ohje")), QStringLiteral("SELECT count(*) FROM Ohje")).value(0);
    }

    // A book with one recipe and a backup of it; the writers are then tried
    // on it while `hold` holds the lock.
    template<typename Hold>
    static void writersAreRefused(Hold hold, const QByteArray &expected)
    {
        StoreFixture book;
        QTemporaryDir dir;
        const QString recipe = writeFile(dir.filePath(QStringLiteral("a.json")), R"({"@type":"Recipe","name":"A"})");
        const QString other = writeFile(dir.filePath(QStringLiteral("b.json")), R"({"@type":"Recipe","name":"B"})");
        const QString backup = dir.filePath(QStringLiteral("book.zip"));
        QCOMPARE(run({QStringLiteral("import"), book.dir.path(), recipe}), 0);
        QCOMPARE(run({QStringLiteral("backup"), book.dir.path(), backup}), 0);
        const QByteArray recipes = fileHash(book.file(QStringLiteral("Ohje")));

        [[maybe_unused]] const auto holder = hold(book.data);
        QByteArray said;
        QCOMPARE(run({QStringLiteral("import"), book.dir.path(), other}, &said), 2);
        QVERIFY2(said.contains(expected), said.constData());
        QCOMPARE(run({QStringLiteral("trash"), book.dir.path(), QStringLiteral("--restore"), QStringLiteral("B")},
                     &said),
                 2);
        QVERIFY2(said.contains(expected), said.constData());
        QCOMPARE(run({QStringLiteral("trash"), book.dir.path(), QStringLiteral("--empty")}, &said), 2);
        QVERIFY2(said.contains(expected), said.constData());
        QCOMPARE(run({QStringLiteral("restore"), book.dir.path(), backup, QStringLiteral("--yes")}, &said), 2);
        QVERIFY2(said.contains(expected), said.constData());
        QCOMPARE(recipeCount(book), QStringLiteral("1"));
        QCOMPARE(fileHash(book.file(QStringLiteral("Ohje"))), recipes);
        QVERIFY(!QFile::exists(book.data + QStringLiteral("/Roskakori.db")));
        QVERIFY(QFile::exists(book.data + QStringLiteral("/Mealdeck.lock")));

        // Reading needs no lock.
        QCOMPARE(run({QStringLiteral("search"), book.dir.path(), QStringLiteral("A")}), 0);
        QCOMPARE(run({QStringLiteral("export"), book.dir.path(), dir.filePath(QStringLiteral("out.mmf"))}), 0);
        QCOMPARE(run({QStringLiteral("check"), book.dir.path()}), 0);
        QCOMPARE(run({QStringLiteral("trash"), book.dir.path()}), 1);
    }

    // Writes a lock file as another copy of the program writes it.
    static void writeLock(const QString &data, const QByteArray &host, const QByteArray &machine,
                          const QByteArray &boot, qint64 ageSeconds)
    {
        const QString path = data + QStringLiteral("/Mealdeck.lock");
        writeFile(path, "4242\nmealdeck\n" + host + '\n' + machine + '\n' + boot + '\n');
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds), QFileDevice::FileModificationTime));
    }

private Q_SLOTS:
    void writersWaitForTheProgram()
    {
        // The program holds the lock file open and locked while it runs.
        writersAreRefused(
            [](const QString &data) {
                auto lock = std::make_unique<QLockFile>(data + QStringLiteral("/Mealdeck.lock"));
                if (!lock->tryLock(0))
                    qFatal("cannot take the lock");
                return lock;
            },
            "is open in Saffrona's Mealdeck (process " + QByteArray::number(qint64(::getpid())) + " on this computer)");
    }

    void anotherComputersLockIsHeld_data()
    {
        QTest::addColumn<QByteArray>("host");
        QTest::addColumn<qint64>("age");
        const QByteArray here = QSysInfo::machineHostName().toUtf8();
        QTest::newRow("other name") << QByteArray("kitchen-laptop.example") << qint64(5);
        QTest::newRow("same name") << here << qint64(5);
        QTest::newRow("same name, an hour old") << here << qint64(3600);
    }

    void anotherComputersLockIsHeld()
    {
        QFETCH(QByteArray, host);
        QFETCH(qint64, age);
        writersAreRefused(
            [&](const QString &data) {
                writeLock(data, host, QByteArray(32, 'e'), QByteArray(36, 'b'), age);
                return 0;
            },
            "is open in Saffrona's Mealdeck (on another computer, \"" + host + "\")");
    }

    // Another process writing the book for a few seconds (here the sqlite3
    // shell) makes a change wait, not fail.
    void aChangeWaitsForAnotherWriter()
    {
        StoreFixture book;
        auto groups = book.open(QStringLiteral("Paaryhma"));
        addRow(*groups, QStringLiteral("Soups"));
        groups->apply();
        QProcess shell;
        shell.start(QStringLiteral("sqlite3"), {book.file(QStringLiteral("Paaryhma"))});
        QVERIFY(shell.waitForStarted(10000));
        shell.write("BEGIN IMMEDIATE;\nINSERT INTO Paaryhma (id, Nimi) VALUES (1000, 'Outside');\n.system sleep 3\nCOMMIT;\n");
        shell.closeWriteChannel();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(book.file(QStringLiteral("Paaryhma")) + QStringLiteral("-journal")), 10000);
        // A change to a row reads it first (has another program changed it?).
        groups->first();
        groups->edit();
        groups->setFieldText(QStringLiteral("Nimi"), QStringLiteral("Typed"));
        groups->post();
        QString failed;
        try {
            groups->apply();
        } catch (const ProgramError &e) {
            failed = e.message();
        }
        QVERIFY(shell.waitForFinished(10000));
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        QCOMPARE(queryFile(book.file(QStringLiteral("Paaryhma")), QStringLiteral("SELECT Nimi FROM Paaryhma ORDER BY Nimi")),
                 (QStringList{"Outside", "Typed"}));
    }

    void lockOfAnEarlierBootIsTakenOver()
    {
        StoreFixture book;
        QTemporaryDir dir;
        const QString recipe = writeFile(dir.filePath(QStringLiteral("a.json")), R"({"@type":"Recipe","name":"A"})");
        // Process 1 runs, but the lock was written before this computer started.
        writeLock(book.data, QSysInfo::machineHostName().toUtf8(), QSysInfo::machineUniqueId(),
                  QByteArray(36, 'b'), 5);
        QFile lock(book.data + QStringLiteral("/Mealdeck.lock"));
        QVERIFY(lock.open(QIODevice::ReadWrite));
        QByteArray text = lock.readAll();
        text.replace("4242\n", "1\n");
        lock.resize(0);
        lock.write(text);
        lock.close();
        QByteArray said;
        QCOMPARE(run({QStringLiteral("import"), book.dir.path(), recipe}, &said), 0);
        QCOMPARE(recipeCount(book), QStringLiteral("1"));
        // The command lets go of the book when it ends.
        QVERIFY(!QFile::exists(book.data + QStringLiteral("/Mealdeck.lock")));
    }
};

QTEST_GUILESS_MAIN(TestBookLock)
#include "TestBookLock.moc"
