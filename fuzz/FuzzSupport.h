#pragma once

// Shared pieces of the fuzz targets: a Qt application for the whole run, a
// scratch folder, and a check that stops the run with a message.

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace Fuzz {

// A fault the target found: printed, then abort() so libFuzzer keeps the input.
[[noreturn]] inline void fail(const char *what, const QString &detail = QString())
{
    std::fprintf(stderr, "FUZZ FAILURE: %s %s\n", what, detail.toUtf8().constData());
    std::fflush(stderr);
    std::abort();
}

inline void check(bool condition, const char *what, const QString &detail = QString())
{
    if (!condition)
        fail(what, detail);
}

// A GUI application on the offscreen platform (fonts, images), made once.
inline void ensureGuiApplication()
{
    static int argc = 1;
    static char name[] = "mealdeck-fuzz";
    static char *argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        new QGuiApplication(argc, argv);
    }
}

inline void ensureWidgetApplication()
{
    static int argc = 1;
    static char name[] = "mealdeck-fuzz";
    static char *argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        new QApplication(argc, argv);
    }
}

inline void ensureCoreApplication()
{
    static int argc = 1;
    static char name[] = "mealdeck-fuzz";
    static char *argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

// A folder for the whole run, removed at exit.
inline const QString &scratch()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/mealdeck-fuzz-XXXXXX"));
    static const QString path = dir.path();
    return path;
}

} // namespace Fuzz
