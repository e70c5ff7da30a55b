#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

// mealdeck-data init, run as a person runs it.
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
};

QTEST_GUILESS_MAIN(TestDataTool)
#include "TestDataTool.moc"
