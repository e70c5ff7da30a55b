#include "platform/InstalledLayout.h"

#include "store/table/ProgramError.h"
#include "store/book/RecipeBook.h"
#include "store/table/ProgramPaths.h"

#include <QDir>
#include <QFileInfo>

namespace InstalledLayout {

QString userDataFolder()
{
    return ProgramPaths::userDataHome() + QStringLiteral("/Mealdeck");
}

bool isInstalledPrefix(const QString &executableFolder)
{
    const QDir folder(executableFolder);
    return !QFileInfo(folder.filePath(QStringLiteral("Help.html"))).isFile()
        && QFileInfo(folder.filePath(QStringLiteral("../share/mealdeck/help/Help.html"))).isFile();
}

Decision decide(const QString &executableFolder)
{
    const QFileInfo info(executableFolder);
    return decide(executableFolder, info.isDir() && info.isWritable());
}

Decision decide(const QString &executableFolder, bool executableFolderWritable)
{
    Decision d;
    const QString exeFolder = QDir::cleanPath(QDir(executableFolder).absolutePath());
    const bool bookBeside = QFileInfo(exeFolder + QStringLiteral("/Data")).isDir();
    if (bookBeside || (executableFolderWritable && !isInstalledPrefix(exeFolder))) {
        d.programFolder = exeFolder;
        return d;
    }

    d.installed = true;
    d.programFolder = userDataFolder();
    const QString dataFolder = d.programFolder + QStringLiteral("/Data");
    if (QFileInfo::exists(dataFolder))
        return d;
    if (!QDir().mkpath(d.programFolder)) {
        d.error = QStringLiteral("The folder %1 could not be created.").arg(QDir::toNativeSeparators(d.programFolder));
        return d;
    }
    try {
        RecipeBook::createBook(d.programFolder, true);
    } catch (const StoreError &e) {
        d.error = e.message();
        return d;
    }
    d.bookCreated = true;
    d.message = QStringLiteral("Your recipe book has been created in %1. It keeps your recipes and pictures; "
                               "copy this folder to make a backup.")
                    .arg(QDir::toNativeSeparators(dataFolder));
    return d;
}

} // namespace InstalledLayout
