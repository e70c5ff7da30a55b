#include "platform/AutoRunner.h"
#include "platform/Dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QString Name = QStringLiteral("Ruokalon Ateriapino");

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class TestAutoRunner : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void checkingWritesUserEntry();
    void uncheckingRemovesFromBothLists();
    void missingUserFolderIsCreated();
    void loadingFindsEntry_data();
    void loadingFindsEntry();
    void locationRule_data();
    void locationRule();
    void changingListDoesNotMoveEntry();
    void changingLocationMovesEntry();
    void nameFixedAtRunTime();
    void nameThatLeavesFolderWritesNothing();
    void execLineQuoting_data();
    void execLineQuoting();
    void defaultCommandIsThisProgram();

private:
    QString userRun() const { return m_dir->filePath("config/autostart"); }
    QString machineRun() const { return m_dir->filePath("etc/autostart"); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_savedConfig;
    QByteArray m_savedMachine;
};

void TestAutoRunner::init()
{
    m_savedConfig = qgetenv("XDG_CONFIG_HOME");
    m_savedMachine = qgetenv("MEALDECK_XDG_SYSTEM_AUTOSTART");
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->filePath("config")));
    qputenv("MEALDECK_XDG_SYSTEM_AUTOSTART", QFile::encodeName(machineRun()));
    QVERIFY(QDir().mkpath(userRun()));
    QVERIFY(QDir().mkpath(machineRun()));
    Dialogs::setTestMode(true);
    Dialogs::clearRecord();
}

void TestAutoRunner::cleanup()
{
    qputenv("XDG_CONFIG_HOME", m_savedConfig);
    qputenv("MEALDECK_XDG_SYSTEM_AUTOSTART", m_savedMachine);
    m_dir.reset();
}

void TestAutoRunner::checkingWritesUserEntry()
{
    TAutoRunner runner(Name);
    QVERIFY(!runner.AutoRun());
    runner.setCommand("/opt/meal deck/mealdeck", {"--home", "/home/s/My Book"});
    runner.setAutoRun(true);
    QVERIFY(runner.AutoRun());
    QCOMPARE(readAll(userRun() + "/Ruokalon Ateriapino.desktop"),
             QByteArray("[Desktop Entry]\n"
                        "Type=Application\n"
                        "Name=Ruokalon Ateriapino\n"
                        "Exec=\"/opt/meal deck/mealdeck\" \"--home\" \"/home/s/My Book\"\n"));
    QVERIFY(!QFile::exists(machineRun() + "/Ruokalon Ateriapino.desktop"));

    // A new start finds it in the user's list.
    TAutoRunner next(Name);
    QVERIFY(next.AutoRun());
    QCOMPARE(next.RegLocation(), TRegLocation::CurrentUser);
}

void TestAutoRunner::uncheckingRemovesFromBothLists()
{
    TAutoRunner runner(Name);
    runner.setAutoRun(true);
    writeFile(machineRun() + "/Ruokalon Ateriapino.desktop", "[Desktop Entry]\nExec=/x\n");
    writeFile(userRun() + "/other.desktop", "[Desktop Entry]\nExec=/y\n");
    runner.setAutoRun(false);
    QVERIFY(!runner.AutoRun());
    QVERIFY(!QFile::exists(userRun() + "/Ruokalon Ateriapino.desktop"));
    QVERIFY(!QFile::exists(machineRun() + "/Ruokalon Ateriapino.desktop"));
    QVERIFY(QFile::exists(userRun() + "/other.desktop"));
}

void TestAutoRunner::missingUserFolderIsCreated()
{
    // A new account has no autostart folder: the user's own is made (and
    // the entry written), the machine's never.
    QVERIFY(QDir(userRun()).removeRecursively());
    QVERIFY(QDir(machineRun()).removeRecursively());
    TAutoRunner runner(Name);
    runner.setAutoRun(true);
    QVERIFY(QFile::exists(userRun() + "/Ruokalon Ateriapino.desktop"));
    QVERIFY(runner.entryExists());
    QVERIFY(runner.entryError().isEmpty());
    QVERIFY(!QFileInfo::exists(machineRun()));
    runner.setAutoRun(false);
    runner.setRegLocation(TRegLocation::LocalMachine);
    runner.setAutoRun(true);
    QVERIFY(!QFileInfo::exists(machineRun()));
    QVERIFY(!runner.entryExists());
    QVERIFY(!runner.entryError().isEmpty());
    QVERIFY(Dialogs::messages().isEmpty());
}

void TestAutoRunner::loadingFindsEntry_data()
{
    QTest::addColumn<QByteArray>("userEntry");
    QTest::addColumn<QByteArray>("machineEntry");
    QTest::addColumn<bool>("autoRun");
    QTest::addColumn<TRegLocation>("location");
    const QByteArray entry("[Desktop Entry]\nType=Application\nExec=\"/usr/bin/mealdeck\"\n");
    const QByteArray noExec("[Desktop Entry]\nType=Application\nExec=\n");
    QTest::addRow("none") << QByteArray() << QByteArray() << false << TRegLocation::CurrentUser;
    QTest::addRow("user only") << entry << QByteArray() << true << TRegLocation::CurrentUser;
    QTest::addRow("machine only") << QByteArray() << entry << true << TRegLocation::LocalMachine;
    QTest::addRow("both") << entry << entry << true << TRegLocation::CurrentUser;
    QTest::addRow("empty user entry") << noExec << entry << true << TRegLocation::LocalMachine;
    QTest::addRow("exec in another group")
        << QByteArray("[Desktop Entry]\nType=Application\n[Desktop Action x]\nExec=/bin/x\n") << QByteArray()
        << false << TRegLocation::CurrentUser;
}

void TestAutoRunner::loadingFindsEntry()
{
    QFETCH(QByteArray, userEntry);
    QFETCH(QByteArray, machineEntry);
    QFETCH(bool, autoRun);
    QFETCH(TRegLocation, location);
    if (!userEntry.isEmpty())
        writeFile(userRun() + "/Ruokalon Ateriapino.desktop", userEntry);
    if (!machineEntry.isEmpty())
        writeFile(machineRun() + "/Ruokalon Ateriapino.desktop", machineEntry);
    TAutoRunner runner(Name);
    QCOMPARE(runner.AutoRun(), autoRun);
    QCOMPARE(runner.RegLocation(), location);
    QCOMPARE(runner.AppName(), Name);
    QVERIFY(runner.IsRuntime());
    // Loading writes nothing.
    QCOMPARE(readAll(userRun() + "/Ruokalon Ateriapino.desktop"), userEntry);
    QCOMPARE(readAll(machineRun() + "/Ruokalon Ateriapino.desktop"), machineEntry);
}

void TestAutoRunner::locationRule_data()
{
    QTest::addColumn<TRegLocation>("location");
    QTest::addColumn<TAutoRunWhere>("where");
    QTest::addColumn<TAutoRunWhere>("expected");
    QTest::addColumn<QString>("folder");
    using L = TRegLocation;
    using W = TAutoRunWhere;
    QTest::addRow("user Run") << L::CurrentUser << W::Run << W::Run << "config/autostart";
    QTest::addRow("user RunOnce") << L::CurrentUser << W::RunOnce << W::RunOnce << "config/autostart-RunOnce";
    QTest::addRow("user RunServices") << L::CurrentUser << W::RunServices << W::Run << "config/autostart";
    QTest::addRow("user RunServicesOnce") << L::CurrentUser << W::RunServicesOnce << W::Run << "config/autostart";
    QTest::addRow("machine RunServices") << L::LocalMachine << W::RunServices << W::RunServices
                                         << "etc/autostart-RunServices";
    QTest::addRow("machine RunServicesOnce") << L::LocalMachine << W::RunServicesOnce << W::RunServicesOnce
                                             << "etc/autostart-RunServicesOnce";
}

void TestAutoRunner::locationRule()
{
    QFETCH(TRegLocation, location);
    QFETCH(TAutoRunWhere, where);
    QFETCH(TAutoRunWhere, expected);
    QFETCH(QString, folder);
    TAutoRunner runner(Name);
    runner.setRegLocation(location);
    runner.setAutoRunWhere(where);
    QCOMPARE(runner.AutoRunWhere(), expected);
    QCOMPARE(runner.entryPath(location), m_dir->filePath(folder) + "/Ruokalon Ateriapino.desktop");

    // Back in the user's hive, a services list falls back to Run.
    runner.setRegLocation(TRegLocation::CurrentUser);
    if (where == TAutoRunWhere::RunServices || where == TAutoRunWhere::RunServicesOnce)
        QCOMPARE(runner.AutoRunWhere(), TAutoRunWhere::Run);
}

void TestAutoRunner::changingListDoesNotMoveEntry()
{
    QVERIFY(QDir().mkpath(userRun() + "-RunOnce"));
    TAutoRunner runner(Name);
    runner.setAutoRun(true);
    runner.setAutoRunWhere(TAutoRunWhere::RunOnce);
    QVERIFY(QFile::exists(userRun() + "/Ruokalon Ateriapino.desktop"));
    QVERIFY(!QFile::exists(userRun() + "-RunOnce/Ruokalon Ateriapino.desktop"));
    // Switching off now acts on the chosen list only.
    runner.setAutoRun(false);
    QVERIFY(QFile::exists(userRun() + "/Ruokalon Ateriapino.desktop"));
    runner.setAutoRun(true);
    QVERIFY(QFile::exists(userRun() + "-RunOnce/Ruokalon Ateriapino.desktop"));
}

void TestAutoRunner::changingLocationMovesEntry()
{
    TAutoRunner runner(Name);
    runner.setAutoRun(true);
    runner.setRegLocation(TRegLocation::LocalMachine);
    QCOMPARE(runner.RegLocation(), TRegLocation::LocalMachine);
    QVERIFY(!QFile::exists(userRun() + "/Ruokalon Ateriapino.desktop"));
    QVERIFY(QFile::exists(machineRun() + "/Ruokalon Ateriapino.desktop"));

    // Without AutoRun, a move only removes.
    runner.setAutoRun(false);
    runner.setRegLocation(TRegLocation::CurrentUser);
    QVERIFY(QDir(userRun()).isEmpty());
    QVERIFY(QDir(machineRun()).isEmpty());
}

void TestAutoRunner::nameFixedAtRunTime()
{
    TAutoRunner runner(Name);
    runner.setAppName("Something Else");
    QCOMPARE(runner.AppName(), Name);
    runner.setAutoRun(true);
    QCOMPARE(QDir(userRun()).entryList(QDir::Files), QStringList{"Ruokalon Ateriapino.desktop"});
}

void TestAutoRunner::nameThatLeavesFolderWritesNothing()
{
    TAutoRunner runner("../escape");
    runner.setAutoRun(true);
    QVERIFY(QDir(userRun()).isEmpty());
    QVERIFY(!QFile::exists(m_dir->filePath("config/escape.desktop")));
}

void TestAutoRunner::execLineQuoting_data()
{
    QTest::addColumn<QString>("executable");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected");
    QTest::addRow("plain") << "/usr/bin/mealdeck" << QStringList() << R"("/usr/bin/mealdeck")";
    QTest::addRow("spaces") << "/opt/My Apps/mealdeck" << QStringList() << R"("/opt/My Apps/mealdeck")";
    QTest::addRow("home") << "/a/mealdeck" << QStringList{"--home", "/b/c"} << R"("/a/mealdeck" "--home" "/b/c")";
    QTest::addRow("quote and dollar") << R"(/x/"$HOME"/m)" << QStringList() << R"("/x/\\"\\$HOME\\"/m")";
    QTest::addRow("backtick") << "/x/`id`/m" << QStringList() << R"("/x/\\`id\\`/m")";
    QTest::addRow("backslash") << R"(/x/a\b/m)" << QStringList() << R"("/x/a\\\\b/m")";
    QTest::addRow("percent") << "/x/100%/m" << QStringList() << R"("/x/100%%/m")";
    QTest::addRow("newline") << "/x/a\nb/m" << QStringList() << R"("/x/a\nb/m")";
}

void TestAutoRunner::execLineQuoting()
{
    QFETCH(QString, executable);
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);
    QCOMPARE(TAutoRunner::execLine(executable, arguments), expected);
}

void TestAutoRunner::defaultCommandIsThisProgram()
{
    TAutoRunner runner(Name);
    QCOMPARE(runner.executable(), QCoreApplication::applicationFilePath());
    QVERIFY(QFileInfo(runner.executable()).isAbsolute());
    QCOMPARE(runner.arguments(), QStringList());
    runner.setAutoRun(true);
    QCOMPARE(readAll(userRun() + "/Ruokalon Ateriapino.desktop"),
             TAutoRunner::entryText(Name, QCoreApplication::applicationFilePath(), {}));
}

QTEST_MAIN(TestAutoRunner)
#include "TestAutoRunner.moc"
