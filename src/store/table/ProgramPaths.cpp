#include "store/table/ProgramPaths.h"

#include "store/table/ProgramError.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {

QString &folder()
{
    static QString f;
    return f;
}

QString xdgFolder(const char *variable, const QString &underHome)
{
    const QString set = qEnvironmentVariable(variable);
    return set.isEmpty() || QDir::isRelativePath(set) ? QDir::homePath() + underHome : set;
}

} // namespace

namespace ProgramPaths {

void setProgramFolder(const QString &programFolder)
{
    QString f = QDir::cleanPath(QDir(programFolder).absolutePath());
    if (!f.endsWith(QLatin1Char('/')))
        f += QLatin1Char('/');
    folder() = f;
}

QString programFolder()
{
    if (folder().isEmpty())
        setProgramFolder(QDir::currentPath());
    return folder();
}

QString dataFolder()
{
    return programFolder() + QStringLiteral("Data");
}

QString picsFolder()
{
    return programFolder() + QStringLiteral("Data/Pics/");
}

void configureFromArguments(const QStringList &arguments, const QString &applicationDir)
{
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("--home")) {
            if (i + 1 >= arguments.size() || arguments.at(i + 1).isEmpty())
                throw ProgramError(QStringLiteral("--home needs a folder"));
            setProgramFolder(arguments.at(i + 1));
            return;
        }
        if (arguments.at(i).startsWith(QLatin1String("--home="))) {
            setProgramFolder(arguments.at(i).mid(7));
            return;
        }
    }
    setProgramFolder(applicationDir);
}

bool makeUserFolder(const QString &path)
{
    const QString clean = QDir::cleanPath(path);
    if (QFileInfo(clean).isDir())
        return true;
    const QStringList parts = clean.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString current = clean.startsWith(QLatin1Char('/')) ? QStringLiteral("/") : QString();
    for (const QString &part : parts) {
        current += part;
        if (!QFileInfo(current).isDir()
            && !QDir().mkdir(current, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
            return false;
        current += QLatin1Char('/');
    }
    return true;
}

QString userConfigHome()
{
    return xdgFolder("XDG_CONFIG_HOME", QStringLiteral("/.config"));
}

QString userDataHome()
{
    return xdgFolder("XDG_DATA_HOME", QStringLiteral("/.local/share"));
}

} // namespace ProgramPaths
