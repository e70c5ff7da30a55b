#pragma once

#include <QString>

// Where the recipe book of a run lives when no `--home` is given.
//
// A portable program keeps its book beside the executable: the build folder,
// or any writable folder that holds the executable (a `Data` folder already
// there always wins). An installed program (an executable in <prefix>/bin with
// the help pages in <prefix>/share/mealdeck/help, or one whose folder cannot
// be written) keeps it in ${XDG_DATA_HOME:-~/.local/share}/Mealdeck/Data, and
// the first start there creates a book with the starter recipes.
namespace InstalledLayout {

struct Decision
{
    // The program's folder for ProgramPaths::setProgramFolder.
    QString programFolder;
    // The book is kept in the per-user data folder.
    bool installed = false;
    // This start created the book; `message` says once where it lives.
    bool bookCreated = false;
    QString message;
    // The book could not be created; opening the tables will then fail.
    QString error;
};

// ${XDG_DATA_HOME:-~/.local/share}/Mealdeck (a relative XDG_DATA_HOME is ignored).
QString userDataFolder();

// Whether `executableFolder` looks like <prefix>/bin of an installed program.
bool isInstalledPrefix(const QString &executableFolder);

// Decides the program's folder for an executable in `executableFolder` and,
// for an installed program without a book yet, creates the starter book.
Decision decide(const QString &executableFolder);
// The same with the folder's writability given (the check itself cannot be
// staged where every folder is writable, as for the superuser).
Decision decide(const QString &executableFolder, bool executableFolderWritable);

} // namespace InstalledLayout
