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

    // mealdeck-data answers the help itself, as the commands program would,
    // and loads no library but the C library for it.
    void toolHelpIsTheCommandsProgramsWithoutItsLibraries()
    {
        const QString tool = QStringLiteral(MEALDECK_DATA_TOOL);
        const QString commands = QStringLiteral(MEALDECK_DATA_COMMANDS);
        const QList<QStringList> asks{{"--help"},         {"-h"},         {"help"},           {"--version"},
                                      {"trash", "--help"}, {"init", "-h"}, {"import", "x", "--help"},
                                      {"init", "-h", "--"}, {"search", "--", "--help"}, {"nonsense"}};
        for (const QStringList &arguments : asks) {
            QTemporaryDir folder;
            QVERIFY(folder.isValid());
            const QString current = QDir::currentPath();
            QDir::setCurrent(folder.path());
            const Run fromTool = run(tool, arguments);
            const Run fromCommands = run(commands, arguments);
            QDir::setCurrent(current);
            const QByteArray shown = arguments.join(QLatin1Char(' ')).toLocal8Bit();
            QVERIFY2(fromTool.exitCode == fromCommands.exitCode, shown.constData());
            QVERIFY2(fromTool.out == fromCommands.out, shown.constData());
            QVERIFY2(fromTool.err == fromCommands.err, shown.constData());
        }
        QProcess trace;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LD_TRACE_LOADED_OBJECTS"), QStringLiteral("1"));
        trace.setProcessEnvironment(environment);
        trace.start(tool, {QStringLiteral("--help")});
        QVERIFY(trace.waitForFinished(20000));
        const QString libraries = QString::fromLocal8Bit(trace.readAllStandardOutput());
        QVERIFY2(libraries.contains(QLatin1String("libc.so")), qPrintable(libraries));
        QVERIFY2(!libraries.contains(QLatin1String("Qt")) && !libraries.contains(QLatin1String("sqlite")),
                 qPrintable(libraries));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "TestCommandLine.moc"
