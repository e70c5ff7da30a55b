#include "TmpfsMount.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <cstring>

#include <sys/mount.h>
#include <sys/statvfs.h>

namespace {

QByteArray options(int kilobytes)
{
    return QByteArrayLiteral("size=") + QByteArray::number(kilobytes) + QByteArrayLiteral("k,mode=0777");
}

} // namespace

TmpfsMount::TmpfsMount(int kilobytes)
    : m_kilobytes(kilobytes)
{
    if (!m_dir.isValid()) {
        m_reason = QStringLiteral("no temporary folder");
        return;
    }
    const QByteArray target = QFile::encodeName(m_dir.path());
    if (::mount("tmpfs", target.constData(), "tmpfs", 0, options(kilobytes).constData()) != 0) {
        m_reason = QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    m_mounted = true;
}

TmpfsMount::~TmpfsMount()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
}

qint64 TmpfsMount::availableBytes() const
{
    struct statvfs st
    {
    };
    if (::statvfs(QFile::encodeName(m_dir.path()).constData(), &st) != 0)
        return -1;
    return qint64(st.f_bavail) * qint64(st.f_frsize);
}

bool TmpfsMount::fill(qint64 keepBytes)
{
    QFile filler(m_dir.path() + QStringLiteral("/.filler"));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const QByteArray block(4096, 'f');
    while (availableBytes() > keepBytes) {
        if (filler.write(block) != block.size() || !filler.flush())
            break;
    }
    filler.close();
    return availableBytes() <= keepBytes + 4096;
}

void TmpfsMount::freeSpace()
{
    QFile::remove(m_dir.path() + QStringLiteral("/.filler"));
}

bool TmpfsMount::setReadOnly(bool readOnly)
{
    const unsigned long flags = MS_REMOUNT | (readOnly ? MS_RDONLY : 0);
    return ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", flags,
                   options(m_kilobytes).constData())
        == 0;
}
