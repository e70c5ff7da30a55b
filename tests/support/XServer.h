#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A private Xvfb for one test, on a display number the server picks itself
// (-displayfd), so tests never touch the user's display and never collide
// with each other. Optionally with a window manager (openbox) for tests of
// focus and raising. Where Xvfb is not installed, isRunning() is false and
// skipReason() says why. Stopped when it goes.
class XServer
{
public:
    explicit XServer(int width = 1280, int height = 1024, bool windowManager = false);
    ~XServer();
    XServer(const XServer &) = delete;
    XServer &operator=(const XServer &) = delete;

    bool isRunning() const { return !m_display.isEmpty(); }
    QString skipReason() const { return m_reason; }
    // ":N"
    QString display() const { return m_display; }
    // The environment of a child process that should use this server.
    QProcessEnvironment environment() const;

    // Runs an X client (xdotool, xprop, ...) on this display; its standard
    // output, or an empty string when it failed or took longer than 10 s.
    QString run(const QString &program, const QStringList &arguments) const;
    // The titles (_NET_WM_NAME, else WM_NAME) of the visible top-level windows
    // of a process, or of every client when pid is 0.
    QStringList windowTitles(qint64 pid = 0) const;

private:
    bool startWindowManager();

    QTemporaryDir m_dir;
    QProcess m_server;
    QProcess m_manager;
    QString m_display;
    QString m_reason;
};

// The QSKIP line of a test that needs its own X server.
#define REQUIRE_XSERVER(server)                                                                                        \
    do {                                                                                                               \
        if (!(server).isRunning())                                                                                     \
            QSKIP(qPrintable(QStringLiteral("needs Xvfb: ") + (server).skipReason()));                                \
    } while (false)
