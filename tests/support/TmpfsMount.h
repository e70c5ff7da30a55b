#pragma once

#include <QString>
#include <QTemporaryDir>

// A small tmpfs mounted on a fresh temporary folder for one test, to make a
// full disk or a read-only file system. Needs root (or CAP_SYS_ADMIN); where
// mounting is not allowed, isMounted() is false and skipReason() says why.
// Unmounted (lazily) when it goes.
class TmpfsMount
{
public:
    explicit TmpfsMount(int kilobytes);
    ~TmpfsMount();
    TmpfsMount(const TmpfsMount &) = delete;
    TmpfsMount &operator=(const TmpfsMount &) = delete;

    bool isMounted() const { return m_mounted; }
    QString skipReason() const { return m_reason; }
    QString path() const { return m_dir.path(); }

    // Fills the file system up to the last `keepBytes` bytes (or fewer) with
    // one filler file; freeSpace() makes the room again.
    bool fill(qint64 keepBytes = 0);
    void freeSpace();
    qint64 availableBytes() const;

    // Makes the whole file system read-only or writable again.
    bool setReadOnly(bool readOnly);

private:
    QTemporaryDir m_dir;
    int m_kilobytes;
    bool m_mounted = false;
    QString m_reason;
};

// The QSKIP line of a test that needs a mount.
#define REQUIRE_MOUNT(mount)                                                                                           \
    do {                                                                                                               \
        if (!(mount).isMounted())                                                                                      \
            QSKIP(qPrintable(QStringLiteral("needs a tmpfs mount, not allowed here: ") + (mount).skipReason()));      \
    } while (false)
