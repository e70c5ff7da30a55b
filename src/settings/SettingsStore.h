#pragma once

#include <QString>

// The program's preferences: named values under the key "Software\Mealdeck"
// of the current user, kept in `${XDG_CONFIG_HOME:-~/.config}/Mealdeck/registry.json`.
// Nothing is held in memory between uses: a window opens the key when it needs
// a value, tests whether it exists, reads or writes it, and lets the key go.
//
//     SettingsKey key;
//     if (key.open()) {
//         if (key.valueExists(SettingNames::KysRyh) && key.readBool(SettingNames::KysRyh))
//             ...
//         key.writeBool(SettingNames::KysRyh, true);
//     }
//
// Value kinds. A flag is stored as the number 1 or 0 and any non-zero number
// reads as true; an integer is a signed 32-bit number; a text is a string.
// Flags and integers are both numbers, so either reads the other; a text read
// as a number, or a number read as a text, fails with the ProgramError
// "Invalid data type for '<name>'". A missing value and a stored false are
// different states: readers test valueExists() first.
//
// Every write replaces the whole file atomically and is on disk when it
// returns. A file that cannot be parsed is renamed aside (never deleted) and
// the key starts empty. When the file cannot be written, open() reports
// failure and the caller skips the steps that need the key.
//
// The values of the program (name, kind, default when missing):
//   Koko            flag     size mode of both windows: true Full, false Small.
//                            Missing: creation/activation write false, design layout kept.
//                            Full and Small write it only when it exists.
//   Auto            flag     start at login. Missing: main window activation writes false.
//   About           flag     the about window has been shown once. Missing: shown, then true.
//   KysRyh          flag     don't ask before deleting a main group or subgroup. Missing: asked.
//   KysResPoi       flag     don't ask before deleting a recipe. Missing: false written, asked.
//   KysKuvPoi       flag     don't ask before deleting a picture. Missing: false written, asked.
//   KysLop          flag     don't ask before ending the program. Missing: asked.
//   Aines           flag     don't show the ingredient tip. Missing: false written, shown.
//   AnnosMuuttunut  flag     don't ask before storing a changed portion count. Missing: asked.
//   KysOhMuu        flag     don't ask before storing edited ingredients or directions.
//                            Missing: Back writes false and asks; Exit asks.
//   KuvMuu          flag     don't ask before storing an edited description. Missing: false written, asked.
//   FontName        text     recipe font name. Missing: font name unchanged.
//   FontColor       integer  recipe font colour, red in the low byte. Missing: navy $800000
//                            at recipe window creation, elsewhere unchanged.
//   FontSize        integer  recipe font size in points. Missing: 8 at recipe window
//                            creation and activation, elsewhere unchanged.
//   Lev             integer  paper width in mm for a defined size. Missing: box shows "200".
//   Kor             integer  paper height in mm for a defined size. Missing: box shows "300".
//   Vasen           integer  left margin in mm. Missing: box keeps "25".
//   Oikea           integer  right margin in mm. Missing: box keeps "25".
namespace SettingNames {
inline constexpr const char *Koko = "Koko";
inline constexpr const char *Auto = "Auto";
inline constexpr const char *About = "About";
inline constexpr const char *KysRyh = "KysRyh";
inline constexpr const char *KysResPoi = "KysResPoi";
inline constexpr const char *KysKuvPoi = "KysKuvPoi";
inline constexpr const char *KysLop = "KysLop";
inline constexpr const char *Aines = "Aines";
inline constexpr const char *AnnosMuuttunut = "AnnosMuuttunut";
inline constexpr const char *KysOhMuu = "KysOhMuu";
inline constexpr const char *KuvMuu = "KuvMuu";
inline constexpr const char *FontName = "FontName";
inline constexpr const char *FontColor = "FontColor";
inline constexpr const char *FontSize = "FontSize";
inline constexpr const char *Lev = "Lev";
inline constexpr const char *Kor = "Kor";
inline constexpr const char *Vasen = "Vasen";
inline constexpr const char *Oikea = "Oikea";

// Defaults that readers use when a value is missing.
inline constexpr int DefaultFontColor = 0x800000; // navy
inline constexpr int DefaultFontSize = 8;
inline constexpr int DefaultLev = 200;
inline constexpr int DefaultKor = 300;
inline constexpr int DefaultMargin = 25;
} // namespace SettingNames

namespace SettingsStore {

// The program's key.
inline constexpr const char *ProgramKey = "Software\\Mealdeck";

// `${XDG_CONFIG_HOME:-~/.config}/Mealdeck/registry.json`, read from the
// environment at each call.
QString filePath();

// Restore Security Queries: opens the program's key (creating it) and writes
// false to each of KuvMuu, KysRyh, KysResPoi, KysKuvPoi, KysLop, Aines,
// AnnosMuuttunut, KysOhMuu that exists, in this order. Creates no value and
// touches no other. Returns false when the key could not be opened.
bool restoreSecurityQueries();

// Stops a question or tip for good: writes true to its switch `name` in the
// program's key (creating it). Returns false when the key could not be opened.
bool stopAsking(const char *name);

} // namespace SettingsStore

// One use of a settings key. Each operation reads the file afresh, so two keys
// open at once never undo each other's writes.
class SettingsKey
{
public:
    explicit SettingsKey(const QString &keyPath = QString::fromLatin1(SettingsStore::ProgramKey));
    SettingsKey(const SettingsKey &) = delete;
    SettingsKey &operator=(const SettingsKey &) = delete;
    ~SettingsKey() = default;

    // Opens the key; with `create` a missing key is created (and written to
    // the file). False when the key is missing and not created, or when the
    // settings file cannot be written; errorString() then says why.
    bool open(bool create = true);
    bool isOpen() const { return m_open; }
    void close() { m_open = false; }
    QString keyPath() const { return m_keyPath; }
    QString errorString() const { return m_error; }

    // Whether the value exists under the key. False when the key is not open.
    bool valueExists(const QString &name) const;

    // Reads a value. Throws ProgramError "Invalid data type for '<name>'" for
    // a value of the wrong kind, and "Failed to get data for '<name>'" when a
    // flag or integer is missing or the key is not open. A missing text reads
    // as the empty text.
    bool readBool(const QString &name) const;
    int readInteger(const QString &name) const;
    QString readString(const QString &name) const;

    // Writes a value, creating it when missing. Throws ProgramError
    // "Failed to set data for '<name>'" (with the reason) when the key is not
    // open or the file cannot be replaced; the file is then unchanged.
    void writeBool(const QString &name, bool value);
    void writeInteger(const QString &name, int value);
    void writeString(const QString &name, const QString &value);

private:
    QString m_keyPath;
    bool m_open = false;
    QString m_error;
};
