#pragma once

// What the main() of every benchmark program does: make the application
// object the benchmarks need, then run the benchmarks the command line selects.

#include "platform/Dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace BenchMain {

// Runs the benchmarks the command line selects; 1, with a message, for an
// argument that names no benchmark option.
inline int runBenchmarks(int &argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Settings in a temporary folder and no screen unless a platform is named:
// made before the application object, which reads both.
struct HeadlessSettings
{
    HeadlessSettings()
    {
        qputenv("XDG_CONFIG_HOME", folder.path().toLocal8Bit());
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir folder;
};

// The application of the benchmarks that open the program's windows: headless,
// with temporary settings, and every dialog (the about window of a first
// start, questions) closed as it opens.
class WindowsApplication : private HeadlessSettings, public QApplication
{
public:
    WindowsApplication(int &argc, char **argv) : QApplication(argc, argv)
    {
        Dialogs::setTestMode(true);
        Dialogs::setResponder([](QDialog *dialog) { dialog->close(); });
    }
};

} // namespace BenchMain

// The main() of a benchmark program that needs only an application object of
// class App (QCoreApplication, QApplication, BenchMain::WindowsApplication).
#define MEALDECK_BENCHMARK_MAIN(App)                                                                                   \
    int main(int argc, char **argv)                                                                                    \
    {                                                                                                                  \
        App app(argc, argv);                                                                                           \
        return BenchMain::runBenchmarks(argc, argv);                                                                   \
    }
