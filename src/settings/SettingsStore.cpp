#include "settings/SettingsStore.h"

#include "store/table/ProgramError.h"
#include "store/table/ProgramPaths.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QSaveFile>

#include <cmath>
#include <limits>

#include <fcntl.h>
#include <unistd.h>

namespace {

const QString KindKey = QStringLiteral("kind");
const QString DataKey = QStringLiteral("data");
const QString FlagKind = QStringLiteral("flag");
const QString IntegerKind = QStringLiteral("integer");
const QString TextKind = QStringLiteral("text");

// The whole file as it stands on disk: key path -> { value name -> { kind, data } }.
struct Contents
{
    bool ok = false;
    QJsonObject root;
    QString error;
};

QString folderPath()
{
    return QFileInfo(SettingsStore::filePath()).absolutePath();
}

// Moves a file that is not ours to read aside, so that nothing a person may
// want back is ever thrown away. False when it could not be moved.
bool keepAside(const QString &path, QString *error)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = path + QStringLiteral(".corrupt-") + stamp;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = path + QStringLiteral(".corrupt-") + stamp + QLatin1Char('-') + QString::number(n);
    if (!QFile::rename(path, target)) {
        *error = QStringLiteral("the unreadable settings file %1 could not be moved aside").arg(path);
        return false;
    }
    qWarning("Settings file %s could not be read; kept as %s", qPrintable(path), qPrintable(target));
    return true;
}

Contents load()
{
    Contents c;
    const QString path = SettingsStore::filePath();
    QFile file(path);
    if (!file.exists()) {
        c.ok = true;
        return c;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        c.error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return c;
    }
    const QByteArray bytes = file.readAll();
    file.close();

    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &parseError);
    bool sound = parseError.error == QJsonParseError::NoError && doc.isObject();
    if (sound) {
        const QJsonObject root = doc.object();
        for (auto it = root.begin(); it != root.end(); ++it) {
            if (!it.value().isObject()) {
                sound = false;
                break;
            }
        }
    }
    if (!sound) {
        if (!keepAside(path, &c.error))
            return c;
        c.ok = true;
        return c;
    }
    c.root = doc.object();
    c.ok = true;
    return c;
}

void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Replaces the file with `root`: a new file is written, synced and renamed
// over the old one, then the folder is synced so the rename itself survives.
bool save(const QJsonObject &root, QString *error)
{
    const QString path = SettingsStore::filePath();
    const QString folder = folderPath();
    if (!ProgramPaths::makeUserFolder(folder)) {
        *error = QStringLiteral("the folder %1 could not be created").arg(folder);
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray bytes = QJsonDocument(root).toJson(QJsonDocument::Indented);
    if (file.write(bytes) != bytes.size() || !file.flush() || ::fsync(file.handle()) != 0) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    syncFolder(folder);
    return true;
}

// Whether the file could be replaced now: QSaveFile needs a writable folder.
bool writable(QString *error)
{
    const QFileInfo folder(folderPath());
    if (folder.exists() && (!folder.isDir() || !folder.isWritable())) {
        *error = QStringLiteral("the folder %1 is not writable").arg(folder.filePath());
        return false;
    }
    const QFileInfo file(SettingsStore::filePath());
    if (file.exists() && (!file.isFile() || !file.isWritable())) {
        *error = QStringLiteral("the file %1 is not writable").arg(file.filePath());
        return false;
    }
    return true;
}

[[noreturn]] void invalidType(const QString &name)
{
    throw ProgramError(QStringLiteral("Invalid data type for '%1'").arg(name));
}

[[noreturn]] void getFailed(const QString &name)
{
    throw ProgramError(QStringLiteral("Failed to get data for '%1'").arg(name));
}

// The stored value `name`, or an undefined value when it is missing.
QJsonValue lookup(const QString &keyPath, const QString &name)
{
    const Contents c = load();
    if (!c.ok)
        return QJsonValue(QJsonValue::Undefined);
    return c.root.value(keyPath).toObject().value(name);
}

// A flag or an integer as the number it holds.
int readNumber(const QString &keyPath, const QString &name)
{
    const QJsonValue value = lookup(keyPath, name);
    if (value.isUndefined())
        getFailed(name);
    const QJsonObject entry = value.toObject();
    const QString kind = entry.value(KindKey).toString();
    if (kind != FlagKind && kind != IntegerKind)
        invalidType(name);
    const QJsonValue data = entry.value(DataKey);
    if (!data.isDouble())
        invalidType(name);
    const double number = data.toDouble();
    if (std::floor(number) != number || number < std::numeric_limits<qint32>::min()
        || number > std::numeric_limits<qint32>::max())
        invalidType(name);
    return static_cast<int>(number);
}

} // namespace

namespace SettingsStore {

QString filePath()
{
    return ProgramPaths::userConfigHome() + QStringLiteral("/Mealdeck/registry.json");
}

bool restoreSecurityQueries()
{
    SettingsKey key;
    if (!key.open())
        return false;
    const char *switches[] = {SettingNames::KuvMuu, SettingNames::KysRyh,  SettingNames::KysResPoi,
                              SettingNames::KysKuvPoi, SettingNames::KysLop, SettingNames::Aines,
                              SettingNames::AnnosMuuttunut, SettingNames::KysOhMuu};
    for (const char *name : switches) {
        const QString valueName = QString::fromLatin1(name);
        if (key.valueExists(valueName))
            key.writeBool(valueName, false);
    }
    return true;
}

bool stopAsking(const char *name)
{
    SettingsKey key;
    if (!key.open())
        return false;
    key.writeBool(QString::fromLatin1(name), true);
    return true;
}

} // namespace SettingsStore

SettingsKey::SettingsKey(const QString &keyPath)
    : m_keyPath(keyPath)
{
}

bool SettingsKey::open(bool create)
{
    m_open = false;
    m_error.clear();
    Contents c = load();
    if (!c.ok) {
        m_error = c.error;
        return false;
    }
    if (!writable(&m_error))
        return false;
    if (!c.root.contains(m_keyPath)) {
        if (!create) {
            m_error = QStringLiteral("the key %1 does not exist").arg(m_keyPath);
            return false;
        }
        c.root.insert(m_keyPath, QJsonObject());
        if (!save(c.root, &m_error))
            return false;
    }
    m_open = true;
    return true;
}

bool SettingsKey::valueExists(const QString &name) const
{
    return m_open && !lookup(m_keyPath, name).isUndefined();
}

bool SettingsKey::readBool(const QString &name) const
{
    if (!m_open)
        getFailed(name);
    return readNumber(m_keyPath, name) != 0;
}

int SettingsKey::readInteger(const QString &name) const
{
    if (!m_open)
        getFailed(name);
    return readNumber(m_keyPath, name);
}

QString SettingsKey::readString(const QString &name) const
{
    if (!m_open)
        getFailed(name);
    const QJsonValue value = lookup(m_keyPath, name);
    if (value.isUndefined())
        return QString();
    const QJsonObject entry = value.toObject();
    const QJsonValue data = entry.value(DataKey);
    if (entry.value(KindKey).toString() != TextKind || !data.isString())
        invalidType(name);
    return data.toString();
}

namespace {

void writeValue(const QString &keyPath, bool open, const QString &name, const QString &kind, const QJsonValue &data,
                QString *error)
{
    const auto fail = [&name](const QString &reason) {
        throw ProgramError(QStringLiteral("Failed to set data for '%1'").arg(name)
                           + (reason.isEmpty() ? QString() : QStringLiteral(": ") + reason));
    };
    if (!open)
        fail(QString());
    Contents c = load();
    if (!c.ok) {
        *error = c.error;
        fail(c.error);
    }
    QJsonObject values = c.root.value(keyPath).toObject();
    values.insert(name, QJsonObject{{KindKey, kind}, {DataKey, data}});
    c.root.insert(keyPath, values);
    if (!save(c.root, error))
        fail(*error);
}

} // namespace

void SettingsKey::writeBool(const QString &name, bool value)
{
    writeValue(m_keyPath, m_open, name, FlagKind, value ? 1 : 0, &m_error);
}

void SettingsKey::writeInteger(const QString &name, int value)
{
    writeValue(m_keyPath, m_open, name, IntegerKind, value, &m_error);
}

void SettingsKey::writeString(const QString &name, const QString &value)
{
    writeValue(m_keyPath, m_open, name, TextKind, value, &m_error);
}
