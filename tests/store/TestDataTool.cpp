#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>
#include <dirent.h>
#include <sys/stat.h>

// mealdeck-data init and check, run as a person runs them.
class TestDataTool : public QObject
{
    Q_OBJECT

private:
    // Runs `mealdeck-data init <base><suffix> --starter` through the shell, so
    // that the suffix may hold bytes that are not UTF-8 (given as printf
    // escapes); returns the exit code.
    static int init(const QString &base, const QString &printfSuffix, QByteArray *errors)
    {
        QProcess tool;
        tool.start(QStringLiteral("/bin/sh"),
                   {QStringLiteral("-c"), QStringLiteral("exec \"$0\" init \"$1$(printf \"$2\")\" --starter"),
                    QStringLiteral(MEALDECK_DATA_TOOL), base, printfSuffix});
        if (!tool.waitForFinished(60000))
            return -1;
        *errors = tool.readAllStandardError();
        return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    }

    static bool isFile(const QByteArray &path)
    {
        struct stat info;
        return ::stat(path.constData(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0;
    }

    // Runs `mealdeck-data check <folder>`; returns the exit code.
    static int check(const QString &folder, QByteArray *output)
    {
        QProcess tool;
        tool.start(QStringLiteral(MEALDECK_DATA_TOOL), {QStringLiteral("check"), folder});
        if (!tool.waitForFinished(60000))
            return -1;
        *output = tool.readAllStandardOutput() + tool.readAllStandardError();
        return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    }

    static bool runSql(const QString &file, const QString &sql)
    {
        sqlite3 *db = nullptr;
        bool ok = sqlite3_open(QFile::encodeName(file).constData(), &db) == SQLITE_OK
            && sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
        sqlite3_close(db);
        return ok;
    }

    static bool writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }

    static QByteArray readAll(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private Q_SLOTS:
    void initCreatesTheFolder_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QByteArray>("made");
        QTest::addRow("missing folders") << "/new/book" << QByteArray("/new/book");
        // "caf\xe9" in Latin-1: not valid UTF-8.
        QTest::addRow("name that is not UTF-8") << "/caf\\351" << QByteArray("/caf\xe9");
    }

    void initCreatesTheFolder()
    {
        QFETCH(QString, suffix);
        QFETCH(QByteArray, made);
        QTemporaryDir dir;
        QByteArray errors;
        QCOMPARE(init(dir.path(), suffix, &errors), 0);
        QVERIFY2(errors.isEmpty(), errors.constData());
        const QByteArray book = QFile::encodeName(dir.path()) + made;
        for (const char *table : {"/Data/Paaryhma.db", "/Data/Alaryhma.db", "/Data/Ohje.db"})
            QVERIFY2(isFile(book + table), table);
        struct stat info;
        QVERIFY(::stat((book + "/Data/Pics").constData(), &info) == 0 && S_ISDIR(info.st_mode));
        // A second run leaves the book as it is and says so.
        QCOMPARE(init(dir.path(), suffix, &errors), 1);
        QVERIFY(errors.contains("already exists"));
    }

    // A starter book checks clean; each fault planted in it is reported on
    // a line of its own and turns the exit code to 1; no book at all is 2.
    void checkReportsEachFault_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("expected");
        QTest::addRow("clean") << "" << 0 << QByteArray("Paaryhma.db: ok\nAlaryhma.db: ok\nOhje.db: ok\nAll well\n");
        QTest::addRow("subgroup without main group")
            << "subgroup" << 1 << QByteArray("Subgroup \"Lost\": its main group \"Nowhere\" is missing\n1 problem found");
        QTest::addRow("recipe without subgroup")
            << "recipe" << 1 << QByteArray("Recipe \"Lost\": its subgroup \"Nowhere\" is missing\n1 problem found");
        QTest::addRow("picture file missing")
            << "picture" << 1
            << QByteArray("Recipe \"Kuuma \"100%\" keitt\xc3\xb6\": its picture Pics/Kuuma \"100%25\" keitt\xc3\xb6.jpg "
                          "is missing\n1 problem found");
        QTest::addRow("stray picture file")
            << "stray" << 1 << QByteArray("Picture file Pics/Stray.jpg belongs to no recipe\n1 problem found");
        QTest::addRow("damaged table file") << "damaged" << 1 << QByteArray("Ohje.db: damaged: ");
        QTest::addRow("no book") << "nobook" << 2 << QByteArray("Cannot open the book");
        QTest::addRow("damaged search index")
            << "index" << 1 << QByteArray("the program builds it anew at the next search\n1 problem found");
    }

    void checkReportsEachFault()
    {
        QFETCH(QString, fault);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, expected);
        QTemporaryDir dir;
        QByteArray output;
        QCOMPARE(init(dir.path(), QStringLiteral("/book"), &output), 0);
        const QString data = dir.path() + QStringLiteral("/book/Data/");
        const QString awkward = QStringLiteral("'Kuuma \"100%\" keitt\u00f6'");
        if (fault == QLatin1String("subgroup")) {
            QVERIFY(runSql(data + "Alaryhma.db", "INSERT INTO Alaryhma (Nimi, Ryhma) VALUES ('Lost', 'Nowhere')"));
        } else if (fault == QLatin1String("recipe")) {
            QVERIFY(runSql(data + "Ohje.db", "INSERT INTO Ohje (Nimi, Ryhma, Kuva) VALUES ('Lost', 'Nowhere', 0)"));
        } else if (fault == QLatin1String("picture") || fault == QLatin1String("stray")) {
            QVERIFY(runSql(data + "Ohje.db",
                           "INSERT INTO Ohje (Nimi, Ryhma, Kuva) SELECT " + awkward + ", Ryhma, 1 FROM Ohje LIMIT 1"));
            // With its picture in place, the recipe is sound; only the stray file is reported.
            if (fault == QLatin1String("stray")) {
                QVERIFY(writeFile(data + QStringLiteral("Pics/Kuuma \"100%25\" keitt\u00f6.jpg"), "\xff\xd8"));
                QVERIFY(writeFile(data + "Pics/Stray.jpg", "\xff\xd8"));
            }
        } else if (fault == QLatin1String("damaged")) {
            QFile file(data + "Ohje.db");
            QVERIFY(file.open(QIODevice::ReadWrite) && file.size() >= 4096);
            file.seek(file.size() - 1024);
            file.write(QByteArray(1024, '\x5a'));
        } else if (fault == QLatin1String("index")) {
            // A search builds the index; then the page of its text copy is
            // overwritten.
            QProcess search;
            search.start(QStringLiteral(MEALDECK_DATA_TOOL),
                         {QStringLiteral("search"), dir.path() + QStringLiteral("/book"), QStringLiteral("salt")});
            QVERIFY(search.waitForFinished(60000));
            QVERIFY(QFile::exists(data + "Haku.db"));
            sqlite3 *db = nullptr;
            QVERIFY(sqlite3_open(QFile::encodeName(data + "Haku.db").constData(), &db) == SQLITE_OK);
            sqlite3_stmt *root = nullptr;
            sqlite3_prepare_v2(db, "SELECT rootpage, (SELECT page_size FROM pragma_page_size) FROM sqlite_master "
                                   "WHERE name = 'HakuRivit'", -1, &root, nullptr);
            QCOMPARE(sqlite3_step(root), SQLITE_ROW);
            const qint64 page = sqlite3_column_int64(root, 0);
            const qint64 size = sqlite3_column_int64(root, 1);
            sqlite3_finalize(root);
            sqlite3_close(db);
            QFile file(data + "Haku.db");
            QVERIFY(file.open(QIODevice::ReadWrite) && file.seek((page - 1) * size));
            file.write(QByteArray(int(size), '\x5a'));
        } else if (fault == QLatin1String("nobook")) {
            QVERIFY(QDir(data).removeRecursively());
        }
        // The check reads only: even a damaged file stays byte for byte.
        const QByteArray before = readAll(data + "Ohje.db");
        QCOMPARE(check(dir.path() + QStringLiteral("/book"), &output), exitCode);
        QVERIFY2(output.contains(expected), output.constData());
        QCOMPARE(readAll(data + "Ohje.db"), before);
    }

    // In a folder named in bytes that are not UTF-8 every command finds the
    // book; a file name of such bytes that cannot be reached is refused by name.
    void everyCommandWorksInAFolderNamedInBytesThatAreNotUtf8()
    {
        QTemporaryDir dir;
        QByteArray output;
        QCOMPARE(init(dir.path(), QStringLiteral("/caf\\351"), &output), 0);
        const QByteArray book = QFile::encodeName(dir.path()) + "/caf\xe9";
        // Runs the tool with the book's folder as $B; returns the exit code.
        auto run = [&](const QString &arguments) {
            QProcess tool;
            tool.start(QStringLiteral("/bin/sh"),
                       {QStringLiteral("-c"), QStringLiteral("B=\"$1$(printf 'caf\\351')\"; exec \"$0\" %1").arg(arguments),
                        QStringLiteral(MEALDECK_DATA_TOOL), dir.path() + QLatin1Char('/')});
            if (!tool.waitForFinished(60000))
                return -1;
            output = tool.readAllStandardOutput() + tool.readAllStandardError();
            return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
        };
        QCOMPARE(run(QStringLiteral("backup \"$B\" \"$B\"")), 0);
        int backups = 0;
        if (DIR *folder = ::opendir(book.constData())) {
            while (const dirent *entry = ::readdir(folder))
                backups += QByteArray(entry->d_name).startsWith("Mealdeck-");
            ::closedir(folder);
        }
        QVERIFY2(backups == 1, output.constData());
        QCOMPARE(run(QStringLiteral("export \"$B\" \"$B/all.mmf\"")), 0);
        QVERIFY(isFile(book + "/all.mmf"));
        QVERIFY(run(QStringLiteral("search \"$B\" a")) < 2);
        QVERIFY2(!output.contains("No recipe book"), output.constData());
        QVERIFY(run(QStringLiteral("import \"$B\" \"$B/all.mmf\" --main-group Again")) < 2);
        QVERIFY2(output.contains("imported"), output.constData());
        QVERIFY(run(QStringLiteral("trash \"$B\"")) < 2);
        QVERIFY2(!output.contains("not a recipe book"), output.constData());
        QCOMPARE(check(QFile::decodeName(book), &output), 2); // the lossy name is another folder
        QCOMPARE(run(QStringLiteral("backup \"$B\" \"$B-gone/x.zip\"")), 2);
        QVERIFY2(output.contains("cannot be used"), output.constData());
    }
};

QTEST_GUILESS_MAIN(TestDataTool)
#include "TestDataTool.moc"
