// mealdeck-data: answers --help, --version and COMMAND --help itself, with the
// texts the commands program printed when it was built, so that they need no
// library loaded; a search it runs in the search module, loaded into this
// process; for everything else it runs the commands program in its place,
// with the same arguments.

#include "DataToolHelp.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include <dlfcn.h>
#include <unistd.h>

namespace {

bool equal(const char *a, const char *b)
{
    return std::strcmp(a, b) == 0;
}

// The text asked for, as the commands program decides it, or null.
const char *helpAskedFor(int argc, char *argv[])
{
    if (argc < 2)
        return nullptr;
    const char *first = argv[1];
    if (equal(first, "--help") || equal(first, "-h") || equal(first, "help"))
        return usageText;
    if (equal(first, "--version"))
        return versionText;
    for (const CommandHelp &help : commandHelps) {
        if (!equal(help.command, first))
            continue;
        // --help anywhere before "--", or -h right after the command.
        for (int i = 2; i < argc; ++i) {
            if (equal(argv[i], "--"))
                return nullptr;
            if (equal(argv[i], "--help"))
                return help.text;
        }
        return argc > 2 && equal(argv[2], "-h") ? help.text : nullptr;
    }
    return nullptr;
}

} // namespace

int main(int argc, char *argv[])
{
    if (const char *text = helpAskedFor(argc, argv)) {
        std::fputs(text, stdout);
        return std::fflush(stdout) == 0 ? 0 : 2;
    }
    // The commands program lies where it is installed, relative to this
    // program, or beside it in a build folder.
    char self[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) {
        std::fprintf(stderr, "mealdeck-data: cannot find where the program lies: %s\n", std::strerror(errno));
        return 2;
    }
    self[length] = '\0';
    if (char *slash = std::strrchr(self, '/'))
        slash[1] = '\0';
    char path[PATH_MAX + 256];
    // A search runs in a module that loads no GUI library, in this process,
    // so that no second program starts; without it the commands program
    // searches too.
    const char *const searchPlaces[] = {MEALDECK_SEARCH_INSTALLED, MEALDECK_SEARCH_BESIDE};
    if (argc > 1 && equal(argv[1], "search")) {
        for (const char *place : searchPlaces) {
            std::snprintf(path, sizeof path, "%s%s", self, place);
            if (::access(path, R_OK) != 0)
                continue;
            void *module = ::dlopen(path, RTLD_LAZY | RTLD_LOCAL);
            if (!module) {
                std::fprintf(stderr, "mealdeck-data: cannot load %s: %s\n", path, ::dlerror());
                return 2;
            }
            using SearchMain = int (*)(int, char *[]);
            if (auto search = reinterpret_cast<SearchMain>(::dlsym(module, "mealdeck_search_main")))
                return search(argc, argv);
            std::fprintf(stderr, "mealdeck-data: %s is not the search of this program\n", path);
            return 2;
        }
    }
    const char *const places[] = {MEALDECK_COMMANDS_INSTALLED, MEALDECK_COMMANDS_BESIDE};
    for (const char *place : places) {
        std::snprintf(path, sizeof path, "%s%s", self, place);
        ::execv(path, argv);
    }
    std::fprintf(stderr, "mealdeck-data: cannot run %s: %s\n", path, std::strerror(errno));
    return 2;
}
