#include "support/XServer.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

XServer::XServer(int width, int height, bool windowManager)
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty()) {
        m_reason = QStringLiteral("Xvfb is not installed");
        return;
    }
    // Xvfb writes the display number it took to descriptor 3 once it accepts
    // clients; the shell points that descriptor at a file.
    const QString numberFile = m_dir.filePath(QStringLiteral("display"));
    m_server.setStandardOutputFile(QProcess::nullDevice());
    m_server.setStandardErrorFile(m_dir.filePath(QStringLiteral("xvfb.log")));
    m_server.start(QStringLiteral("/bin/sh"),
                   {QStringLiteral("-c"), QStringLiteral("exec \"$0\" -displayfd 3 -nolisten tcp -screen 0 \"$1\" 3>\"$2\""),
                    xvfb, QStringLiteral("%1x%2x24").arg(width).arg(height), numberFile});
    if (!m_server.waitForStarted(10000)) {
        m_reason = QStringLiteral("Xvfb did not start");
        return;
    }
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired() && m_server.state() == QProcess::Running) {
        QFile file(numberFile);
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray text = file.readAll();
            if (text.endsWith('\n')) {
                m_display = QStringLiteral(":") + QString::fromLatin1(text.trimmed());
                break;
            }
        }
        QThread::msleep(20);
    }
    if (m_display.isEmpty()) {
        m_reason = QStringLiteral("Xvfb gave no display number");
        m_server.kill();
        m_server.waitForFinished(5000);
        return;
    }
    if (windowManager && !startWindowManager()) {
        m_server.kill();
        m_server.waitForFinished(5000);
        m_display.clear();
    }
}

bool XServer::startWindowManager()
{
    const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
    if (openbox.isEmpty()) {
        m_reason = QStringLiteral("openbox is not installed");
        return false;
    }
    m_manager.setProcessEnvironment(environment());
    m_manager.setStandardOutputFile(QProcess::nullDevice());
    m_manager.setStandardErrorFile(QProcess::nullDevice());
    m_manager.start(openbox, {});
    if (!m_manager.waitForStarted(10000)) {
        m_reason = QStringLiteral("openbox did not start");
        return false;
    }
    // The manager has taken over once the root window names it.
    const QDeadlineTimer managed(10000);
    while (!managed.hasExpired()) {
        if (run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
                .contains(QLatin1String("window id")))
            return true;
        QThread::msleep(50);
    }
    m_reason = QStringLiteral("openbox did not take over the display");
    return false;
}

XServer::~XServer()
{
    for (QProcess *process : {&m_manager, &m_server}) {
        if (process->state() != QProcess::NotRunning) {
            process->terminate();
            if (!process->waitForFinished(5000)) {
                process->kill();
                process->waitForFinished(5000);
            }
        }
    }
}

QProcessEnvironment XServer::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return env;
}

QString XServer::run(const QString &program, const QStringList &arguments) const
{
    QProcess client;
    client.setProcessEnvironment(environment());
    client.setStandardErrorFile(QProcess::nullDevice());
    client.start(program, arguments);
    if (!client.waitForFinished(10000) || client.exitStatus() != QProcess::NormalExit || client.exitCode() != 0) {
        client.kill();
        client.waitForFinished(1000);
        return {};
    }
    return QString::fromUtf8(client.readAllStandardOutput());
}

QStringList XServer::windowTitles(qint64 pid) const
{
    QStringList search{QStringLiteral("search"), QStringLiteral("--onlyvisible")};
    if (pid > 0)
        search << QStringLiteral("--pid") << QString::number(pid);
    else
        search << QStringLiteral("--name") << QStringLiteral(".");
    QStringList titles;
    const QStringList ids = run(QStringLiteral("xdotool"), search).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &id : ids) {
        QString name = run(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), id});
        if (name.endsWith(QLatin1Char('\n')))
            name.chop(1);
        if (!name.isEmpty())
            titles << name;
    }
    return titles;
}
