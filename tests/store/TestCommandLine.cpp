#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

// The two programs answer --help and --version and refuse a mistyped option
// without any display: a window system forced on them that cannot be reached
// would end the run if either started one.
class TestCommandLine : public QObject
{
    Q_OBJECT

    struct Run
    {
        int exitCode = -1;
        QString out;
        QString err;
    };

    static Run run(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
        if (!process.waitForFinished(20000))
            process.kill();
        Run result;
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
        result.err = QString::fromLocal8Bit(process.readAllStandardError());
        return result;
    }

private slots:
    void withoutDisplay_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        const QString gui = QStringLiteral(MEALDECK_PROGRAM);
        const QString tool = QStringLiteral(MEALDECK_DATA_TOOL);
        QTest::newRow("help") << gui << QStringList{"--help"} << 0 << "--home <DIR>" << "";
        QTest::newRow("-h") << gui << QStringList{"-h"} << 0 << "Usage: mealdeck" << "";
        QTest::newRow("version") << gui << QStringList{"--version"} << 0 << "mealdeck " MEALDECK_VERSION "\n" << "";
        QTest::newRow("unknown option") << gui << QStringList{"--hme", "/tmp"} << 2 << "" << "Usage: mealdeck";
        QTest::newRow("home without folder") << gui << QStringList{"--home"} << 2 << "" << "Usage: mealdeck";
        QTest::newRow("tool help") << tool << QStringList{"--help"} << 0 << "mealdeck-data trash DIR" << "";
        QTest::newRow("tool version") << tool << QStringList{"--version"} << 0
                                      << "mealdeck-data " MEALDECK_VERSION "\n" << "";
        QTest::newRow("command help") << tool << QStringList{"restore", "--help"} << 0
                                      << "usage: mealdeck-data restore DIR FILE [--yes]\n" << "";
        // "init -h" must not make a book in a folder called "-h".
        QTest::newRow("init -h") << tool << QStringList{"init", "-h"} << 0 << "usage: mealdeck-data init" << "";
        QTest::newRow("tool without command") << tool << QStringList{} << 2 << "" << "usage: mealdeck-data";
    }

    void withoutDisplay()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString current = QDir::currentPath();
        QDir::setCurrent(folder.path());
        const Run result = run(program, arguments);
        QDir::setCurrent(current);
        QCOMPARE(result.exitCode, exitCode);
        QVERIFY2(result.out.contains(out), qPrintable(result.out));
        QVERIFY2(result.err.contains(err), qPrintable(result.err));
        // Nothing was made in the current folder.
        QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "TestCommandLine.moc"
