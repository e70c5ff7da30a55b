#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QScopeGuard>
#include <QTest>

#include <functional>

#include <unistd.h>

// The program as a native Wayland client of a headless compositor: it starts,
// the compositor shows its main window, and a logout's SIGTERM ends it cleanly
// with the book and the settings sound.
class TestWayland : public QObject
{
    Q_OBJECT

    static bool waitFor(const std::function<bool()> &done, int milliseconds)
    {
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (timer.elapsed() > milliseconds)
                return false;
            QTest::qWait(50);
        }
        return true;
    }

private slots:
    void startsShowsAndEndsCleanly()
    {
        const QString weston = QStandardPaths::findExecutable(QStringLiteral("weston"));
        if (weston.isEmpty())
            QSKIP("weston is not installed");

        QTemporaryDir runtime; // made with mode 0700, as the compositor wants it
        QTemporaryDir home;
        QTemporaryDir config;
        QVERIFY(runtime.isValid() && home.isValid() && config.isValid());
        QVERIFY(QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const QString socket = QStringLiteral("mealdeck-test-%1").arg(::getpid());

        QProcess compositor;
        QProcessEnvironment compositorEnvironment = QProcessEnvironment::systemEnvironment();
        compositorEnvironment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        compositorEnvironment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        compositorEnvironment.remove(QStringLiteral("DISPLAY"));
        compositor.setProcessEnvironment(compositorEnvironment);
        compositor.setProcessChannelMode(QProcess::MergedChannels);
        compositor.start(weston, {QStringLiteral("--backend=headless-backend.so"), "--socket=" + socket,
                                  QStringLiteral("--idle-time=0")});
        QVERIFY(compositor.waitForStarted(10000));
        auto stopCompositor = qScopeGuard([&compositor] {
            compositor.terminate();
            if (!compositor.waitForFinished(5000))
                compositor.kill();
        });
        QVERIFY2(waitFor([&] { return QFileInfo::exists(runtime.filePath(socket)); }, 15000),
                 compositor.readAll().constData());

        QCOMPARE(QProcess::execute(QStringLiteral(MEALDECK_DATA_TOOL),
                                   {QStringLiteral("init"), home.path(), QStringLiteral("--starter")}),
                 0);

        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("MEALDECK_TEST"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        environment.insert(QStringLiteral("WAYLAND_DISPLAY"), socket);
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("mealdeck.startup.info=true"));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(MEALDECK_PROGRAM), {QStringLiteral("--home"), home.path()});
        QVERIFY(program.waitForStarted(10000));
        QByteArray err;
        const bool shown = waitFor(
            [&] {
                err += program.readAllStandardError();
                return err.contains("main window shown on wayland") || program.state() == QProcess::NotRunning;
            },
            30000);
        QVERIFY2(shown && program.state() == QProcess::Running, err.constData());

        // It stays up on the compositor.
        QVERIFY2(!program.waitForFinished(2000), err.constData());

        program.terminate();
        QVERIFY(program.waitForFinished(15000));
        err += program.readAllStandardError();
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QVERIFY2(program.exitCode() == 0, err.constData());

        // The book is sound and the settings file whole.
        QProcess check;
        check.start(QStringLiteral(MEALDECK_DATA_TOOL), {QStringLiteral("check"), home.path()});
        QVERIFY(check.waitForFinished(30000));
        QVERIFY2(check.exitCode() == 0, check.readAllStandardOutput().constData());
        QFile settings(config.filePath(QStringLiteral("Mealdeck/registry.json")));
        QVERIFY(settings.open(QIODevice::ReadOnly));
        QJsonParseError parsed;
        QVERIFY(QJsonDocument::fromJson(settings.readAll(), &parsed).isObject());
    }
};

QTEST_GUILESS_MAIN(TestWayland)
#include "TestWayland.moc"
