#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

// Where the start-up entry lives: the current user's list or the machine's.
enum class TRegLocation { CurrentUser, LocalMachine };

// Which start-up list holds the entry. Run is the login autostart list; the
// other three are kept as sibling folders of it, which nothing else reads.
enum class TAutoRunWhere { Run, RunOnce, RunServices, RunServicesOnce };

// Makes the session start the program at login by keeping an XDG autostart
// entry `<AppName>.desktop` in one start-up list:
//   current user: ${XDG_CONFIG_HOME:-~/.config}/autostart/
//   machine:      /etc/xdg/autostart/ (MEALDECK_XDG_SYSTEM_AUTOSTART replaces it)
// and for RunOnce, RunServices, RunServicesOnce the sibling folders
// autostart-RunOnce/, autostart-RunServices/, autostart-RunServicesOnce/.
// The entry exists, pointing at the program, exactly while AutoRun is true.
//
// The current user's list folder (and any missing parent) is created, mode
// 0700, when an entry is to be written; the machine's lists never are. A
// failure to write the entry is kept in entryError() for the caller to report;
// the component itself shows nothing, and a failed removal is ignored.
class TAutoRunner : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TAutoRunner)

public:
    // A component at run time, not yet loaded (no AppName).
    explicit TAutoRunner(QObject *parent = nullptr);
    // A component loaded with `appName`: see load().
    explicit TAutoRunner(const QString &appName, QObject *parent = nullptr);

    // Loading: takes the name, then looks for its entry in the current user's
    // list and then in the machine's; RegLocation becomes where it was found
    // and AutoRun whether it was found. Nothing is written.
    void load(const QString &appName);

    TRegLocation RegLocation() const { return m_regLocation; }
    TAutoRunWhere AutoRunWhere() const { return m_autoRunWhere; }
    bool AutoRun() const { return m_autoRun; }
    QString AppName() const { return m_appName; }

    // A changed value is stored and the entry is written into (true) or
    // removed from both lists (false). Ignored while loading.
    void setAutoRun(bool value);
    // Moves the entry: removed from both lists, written into the new one.
    void setRegLocation(TRegLocation value);
    // Chooses the list; an existing entry is not moved. The current user's
    // lists have no RunServices or RunServicesOnce: those fall back to Run.
    void setAutoRunWhere(TAutoRunWhere value);
    // Takes effect only while loading; at run time the name stays.
    void setAppName(const QString &value);

    // Why the last entry that should have been written was not; empty when
    // it was written (or none was to be written).
    QString entryError() const;
    // True when the entry of the current list exists where AutoRun put it.
    bool entryExists() const { return entryFound(m_regLocation); }

    // False while the component is being loaded.
    bool IsRuntime() const { return !m_loading; }

    // The command the entry starts. By default the absolute path of this
    // executable, plus `--home DIR` when the program runs with one.
    void setCommand(const QString &executable, const QStringList &arguments);
    QString executable() const;
    QStringList arguments() const;

    // The folder of a start-up list and the entry file in it.
    static QString listFolder(TRegLocation location, TAutoRunWhere where);
    QString entryPath(TRegLocation location) const;

    // The Exec= value: each part quoted and escaped as desktop entries want.
    static QString execLine(const QString &executable, const QStringList &arguments);
    // The whole desktop entry for `name` starting `executable`.
    static QByteArray entryText(const QString &name, const QString &executable, const QStringList &arguments);

private:
    void applyLocationRule();
    void UpdateEntry(TRegLocation location, const QString &name);
    bool entryFound(TRegLocation location) const;

    TRegLocation m_regLocation = TRegLocation::CurrentUser;
    TAutoRunWhere m_autoRunWhere = TAutoRunWhere::Run;
    bool m_autoRun = false;
    QString m_appName;
    bool m_loading = false;
    bool m_commandSet = false;
    QString m_executable;
    QStringList m_arguments;
    QString m_entryError;
};
