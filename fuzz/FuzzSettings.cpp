// The settings file reader over random registry.json contents: opening the
// key, testing and reading every value of the program, then one write that
// must read back. Only ProgramError may leave a read, and a file that cannot
// be parsed is set aside, never lost.

#include "FuzzSupport.h"

#include "settings/SettingsStore.h"
#include "store/table/ProgramError.h"

#include <QDir>
#include <QFile>

#include <cstdint>

namespace {

const char *const names[] = {
    SettingNames::Koko, SettingNames::Auto, SettingNames::About, SettingNames::KysRyh, SettingNames::KysResPoi,
    SettingNames::KysKuvPoi, SettingNames::KysLop, SettingNames::Aines, SettingNames::AnnosMuuttunut,
    SettingNames::KysOhMuu, SettingNames::KuvMuu, SettingNames::FontName, SettingNames::FontColor,
    SettingNames::FontSize, SettingNames::Lev, SettingNames::Kor, SettingNames::Vasen, SettingNames::Oikea,
};

QString folder()
{
    return Fuzz::scratch() + QStringLiteral("/Mealdeck");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Fuzz::ensureCoreApplication();
    qputenv("XDG_CONFIG_HOME", Fuzz::scratch().toUtf8());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QDir(folder()).removeRecursively();
    QDir().mkpath(folder());
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    {
        QFile file(SettingsStore::filePath());
        Fuzz::check(file.open(QIODevice::WriteOnly), "cannot write the input");
        file.write(input);
    }

    SettingsKey key;
    Fuzz::check(key.open(true), "the key does not open", key.errorString());
    for (const char *name : names) {
        const QString n = QString::fromLatin1(name);
        if (!key.valueExists(n))
            continue;
        try {
            key.readBool(n);
        } catch (const ProgramError &) {
        }
        try {
            key.readInteger(n);
        } catch (const ProgramError &) {
        }
        try {
            key.readString(n);
        } catch (const ProgramError &) {
        }
    }

    // A write then reads back, and the other values survive it.
    const int value = size > 0 ? int(data[0]) * 1000003 : 7;
    key.writeInteger(QString::fromLatin1(SettingNames::FontColor), value);
    Fuzz::check(key.readInteger(QString::fromLatin1(SettingNames::FontColor)) == value, "written value lost");
    key.writeString(QString::fromLatin1(SettingNames::FontName), QString::fromUtf8(input.left(40)));
    Fuzz::check(key.readString(QString::fromLatin1(SettingNames::FontName)) == QString::fromUtf8(input.left(40)),
                "written text lost");
    Fuzz::check(key.readInteger(QString::fromLatin1(SettingNames::FontColor)) == value, "earlier value lost");

    // The input is still somewhere in the folder: read as it was, or set aside.
    if (!input.isEmpty()) {
        bool kept = false;
        const QStringList files = QDir(folder()).entryList(QDir::Files | QDir::Hidden);
        for (const QString &f : files) {
            QFile file(folder() + QLatin1Char('/') + f);
            if (file.open(QIODevice::ReadOnly) && file.readAll() == input)
                kept = true;
        }
        // A file that parsed has been rewritten by the writes above; only an
        // unreadable one must still be there whole. Which one it was shows in
        // whether another file than registry.json exists.
        if (files.size() > 1)
            Fuzz::check(kept, "an unreadable settings file was not kept");
    }
    return 0;
}
