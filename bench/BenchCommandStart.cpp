// Whole-process start of the command line: mealdeck-data --help and
// --version, the commands program answering --help itself (what every
// command pays to start), and a C program's start (/bin/true) as the
// reference measured in the same run.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

// Runs the program to its end with its output thrown away; false when it
// could not be started or did not end well.
bool runToEnd(const char *program, const char *argument)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    char *argv[] = {const_cast<char *>(program), const_cast<char *>(argument), nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void start(benchmark::State &state, const char *program, const char *argument)
{
    for (auto _ : state) {
        if (!runToEnd(program, argument)) {
            state.SkipWithError("the program did not run");
            break;
        }
    }
}

void BM_CProgramStart(benchmark::State &state)
{
    start(state, "/bin/true", nullptr);
}

void BM_DataToolHelp(benchmark::State &state)
{
    start(state, MEALDECK_DATA_TOOL, "--help");
}

void BM_DataToolVersion(benchmark::State &state)
{
    start(state, MEALDECK_DATA_TOOL, "--version");
}

void BM_CommandsProgramHelp(benchmark::State &state)
{
    start(state, MEALDECK_DATA_COMMANDS, "--help");
}

} // namespace

BENCHMARK(BM_CProgramStart)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DataToolHelp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DataToolVersion)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CommandsProgramHelp)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
