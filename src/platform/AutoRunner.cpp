#include "platform/AutoRunner.h"

#include "store/table/ProgramPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString machineAutostart()
{
    const QString over = qEnvironmentVariable("MEALDECK_XDG_SYSTEM_AUTOSTART");
    return over.isEmpty() ? QStringLiteral("/etc/xdg/autostart") : over;
}

// A name that makes a plain file directly inside the list folder.
bool usableName(const QString &name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

// The string escapes of a desktop entry value.
QString escapeValue(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\': out += QStringLiteral("\\\\"); break;
        case '\n': out += QStringLiteral("\\n"); break;
        case '\t': out += QStringLiteral("\\t"); break;
        case '\r': out += QStringLiteral("\\r"); break;
        default: out += c;
        }
    }
    return out;
}

// One quoted argument of an Exec line, before the string escapes.
QString quoteArgument(const QString &argument)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        if (c == QLatin1Char('%'))
            out += QLatin1Char('%');
        out += c;
    }
    out += QLatin1Char('"');
    return out;
}

// The Exec= value of the entry at `path`, empty when there is none.
QString readExec(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    bool inEntry = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inEntry)
            continue;
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && line.left(eq).trimmed() == QLatin1String("Exec"))
            return line.mid(eq + 1).trimmed();
    }
    return QString();
}

} // namespace

TAutoRunner::TAutoRunner(QObject *parent)
    : QObject(parent)
{
}

TAutoRunner::TAutoRunner(const QString &appName, QObject *parent)
    : QObject(parent)
{
    load(appName);
}

void TAutoRunner::load(const QString &appName)
{
    m_loading = true;
    setAppName(appName);
    m_loading = false;
}

void TAutoRunner::setAutoRun(bool value)
{
    if (value == m_autoRun || !IsRuntime())
        return;
    m_autoRun = value;
    applyLocationRule();
    UpdateEntry(m_regLocation, m_appName);
}

void TAutoRunner::setRegLocation(TRegLocation value)
{
    if (value == m_regLocation)
        return;
    UpdateEntry(value, m_appName);
    m_regLocation = value;
    applyLocationRule();
}

void TAutoRunner::setAutoRunWhere(TAutoRunWhere value)
{
    if (value == m_autoRunWhere)
        return;
    m_autoRunWhere = value;
    applyLocationRule();
}

void TAutoRunner::setAppName(const QString &value)
{
    if (!m_loading)
        return;
    m_appName = value;
    if (entryFound(TRegLocation::CurrentUser)) {
        m_regLocation = TRegLocation::CurrentUser;
        m_autoRun = true;
    } else if (entryFound(TRegLocation::LocalMachine)) {
        m_regLocation = TRegLocation::LocalMachine;
        m_autoRun = true;
    } else {
        m_autoRun = false;
    }
}

void TAutoRunner::setCommand(const QString &executable, const QStringList &arguments)
{
    m_commandSet = true;
    m_executable = executable;
    m_arguments = arguments;
}

QString TAutoRunner::executable() const
{
    if (m_commandSet)
        return m_executable;
    return QFileInfo(QCoreApplication::applicationFilePath()).absoluteFilePath();
}

QStringList TAutoRunner::arguments() const
{
    if (m_commandSet)
        return m_arguments;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--home") || args.at(i).startsWith(QLatin1String("--home="))) {
            QString home = ProgramPaths::programFolder();
            if (home.size() > 1 && home.endsWith(QLatin1Char('/')))
                home.chop(1);
            return {QStringLiteral("--home"), home};
        }
    }
    return {};
}

QString TAutoRunner::listFolder(TRegLocation location, TAutoRunWhere where)
{
    const QString base = location == TRegLocation::CurrentUser ? ProgramPaths::userConfigHome() + QStringLiteral("/autostart")
                                                                : machineAutostart();
    switch (where) {
    case TAutoRunWhere::Run: return base;
    case TAutoRunWhere::RunOnce: return base + QStringLiteral("-RunOnce");
    case TAutoRunWhere::RunServices: return base + QStringLiteral("-RunServices");
    case TAutoRunWhere::RunServicesOnce: return base + QStringLiteral("-RunServicesOnce");
    }
    return base;
}

QString TAutoRunner::entryPath(TRegLocation location) const
{
    if (!usableName(m_appName))
        return QString();
    return listFolder(location, m_autoRunWhere) + QLatin1Char('/') + m_appName + QStringLiteral(".desktop");
}

QString TAutoRunner::execLine(const QString &executable, const QStringList &arguments)
{
    QStringList parts{quoteArgument(executable)};
    for (const QString &argument : arguments)
        parts << quoteArgument(argument);
    return escapeValue(parts.join(QLatin1Char(' ')));
}

QByteArray TAutoRunner::entryText(const QString &name, const QString &executable, const QStringList &arguments)
{
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=%1\n"
                                        "Exec=%2\n")
                             .arg(escapeValue(name), execLine(executable, arguments));
    return text.toUtf8();
}

void TAutoRunner::applyLocationRule()
{
    if (m_regLocation == TRegLocation::CurrentUser
        && (m_autoRunWhere == TAutoRunWhere::RunServices || m_autoRunWhere == TAutoRunWhere::RunServicesOnce))
        m_autoRunWhere = TAutoRunWhere::Run;
}

void TAutoRunner::UpdateEntry(TRegLocation location, const QString &name)
{
    if (!IsRuntime() || !usableName(name))
        return;
    const QString file = name + QStringLiteral(".desktop");
    // Removing from a list that does not exist, or that this user may not
    // change, simply does nothing.
    for (TRegLocation hive : {TRegLocation::CurrentUser, TRegLocation::LocalMachine}) {
        QDir folder(listFolder(hive, m_autoRunWhere));
        if (folder.exists())
            folder.remove(file);
    }
    m_entryError.clear();
    if (!m_autoRun)
        return;
    const QString folderPath = listFolder(location, m_autoRunWhere);
    // The user's own list is made when missing (a new account has none); the
    // machine's lists are never created.
    if (location == TRegLocation::CurrentUser && !ProgramPaths::makeUserFolder(folderPath)) {
        m_entryError = QStringLiteral("Cannot create the folder \"%1\"").arg(folderPath);
        return;
    }
    const QDir folder(folderPath);
    if (!folder.exists()) {
        m_entryError = QStringLiteral("The folder \"%1\" does not exist").arg(folderPath);
        return;
    }
    QSaveFile entry(folder.filePath(file));
    if (!entry.open(QIODevice::WriteOnly)) {
        m_entryError = entry.errorString();
        return;
    }
    entry.write(entryText(name, executable(), arguments()));
    if (!entry.commit())
        m_entryError = entry.errorString();
}

QString TAutoRunner::entryError() const
{
    return m_entryError;
}


bool TAutoRunner::entryFound(TRegLocation location) const
{
    const QString path = entryPath(location);
    return !path.isEmpty() && !readExec(path).isEmpty();
}
