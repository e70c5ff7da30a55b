#include "store/table/PictureFiles.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    if (S_ISFIFO(mode))
        return QStringLiteral("a named pipe");
    if (S_ISCHR(mode))
        return QStringLiteral("a character device");
    if (S_ISBLK(mode))
        return QStringLiteral("a block device");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    return QStringLiteral("not a plain file");
}

// Empty when a file of this kind and size may be read.
QString refusal(const struct stat &info)
{
    if (!S_ISREG(info.st_mode))
        return QStringLiteral("not a regular file (%1)").arg(kindOf(info.st_mode));
    if (info.st_size > PictureFiles::MaxPictureBytes)
        return QStringLiteral("larger than %1 MB (%2 bytes)")
            .arg(PictureFiles::MaxPictureBytes / (1024 * 1024))
            .arg(qint64(info.st_size));
    return QString();
}

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : m_fd(fd) { }
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    int get() const { return m_fd; }
    // Closes now; false (errno set) when the close reports an error.
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool writeAll(int fd, const QByteArray &data)
{
    const char *next = data.constData();
    qint64 left = data.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, next, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        next += written;
        left -= written;
    }
    return true;
}

bool syncFolder(const QByteArray &folder)
{
    FileDescriptor fd(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.get() >= 0 && ::fsync(fd.get()) == 0;
}

} // namespace

namespace PictureFiles {

ReadResult readPicture(const QString &path, QByteArray *data, QString *reason)
{
    data->clear();
    const QByteArray name = QFile::encodeName(path);
    struct stat info;
    if (::stat(name.constData(), &info) != 0) {
        *reason = systemReason(errno);
        return ReadResult::Missing;
    }
    // Looked at before opening: opening a pipe for reading waits for a writer,
    // and opening a device may do anything the device does.
    *reason = refusal(info);
    if (!reason->isEmpty())
        return ReadResult::Refused;
    FileDescriptor fd(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) {
        const int error = errno;
        *reason = systemReason(error);
        return error == ENOENT ? ReadResult::Missing : ReadResult::Refused;
    }
    // The path may have been given to something else since it was looked at.
    if (::fstat(fd.get(), &info) != 0) {
        *reason = systemReason(errno);
        return ReadResult::Refused;
    }
    *reason = refusal(info);
    if (!reason->isEmpty())
        return ReadResult::Refused;

    QByteArray bytes;
    bytes.resize(qsizetype(info.st_size) + 1);
    qint64 filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            // The file grew while it was read; it may grow only up to the limit.
            if (bytes.size() > MaxPictureBytes) {
                *reason = QStringLiteral("larger than %1 MB").arg(MaxPictureBytes / (1024 * 1024));
                return ReadResult::Refused;
            }
            bytes.resize(qMin<qint64>(bytes.size() * 2, MaxPictureBytes + 1));
        }
        const ssize_t got = ::read(fd.get(), bytes.data() + filled, size_t(bytes.size() - filled));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            *reason = systemReason(errno);
            return ReadResult::Refused;
        }
        if (got == 0)
            break;
        filled += got;
    }
    bytes.resize(qsizetype(filled));
    *data = bytes;
    reason->clear();
    return ReadResult::Read;
}

bool copyPicture(const QString &from, const QString &to, QString *reason)
{
    QByteArray data;
    QString why;
    if (readPicture(from, &data, &why) != ReadResult::Read) {
        *reason = QStringLiteral("\"%1\": %2").arg(from, why);
        return false;
    }
    const QFileInfo target(to);
    const QByteArray folder = QFile::encodeName(target.absolutePath());
    // A leading dot never begins a picture file name, so the temporary file
    // cannot take the place of a recipe's picture.
    static QAtomicInteger<int> counter;
    const QByteArray temporary = folder + "/.copy-" + QByteArray::number(QCoreApplication::applicationPid()) + '-'
                                 + QByteArray::number(counter.fetchAndAddRelaxed(1)) + ".tmp";
    const QByteArray targetName = QFile::encodeName(target.absoluteFilePath());

    FileDescriptor fd(::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (fd.get() < 0) {
        *reason = QStringLiteral("\"%1\": %2").arg(target.absolutePath(), systemReason(errno));
        return false;
    }
    const bool written = writeAll(fd.get(), data) && ::fsync(fd.get()) == 0;
    const int writeError = errno;
    if (!fd.close() || !written) {
        *reason = QStringLiteral("\"%1\": %2").arg(to, systemReason(written ? errno : writeError));
        ::unlink(temporary.constData());
        return false;
    }
    if (::rename(temporary.constData(), targetName.constData()) != 0) {
        *reason = QStringLiteral("\"%1\": %2").arg(to, systemReason(errno));
        ::unlink(temporary.constData());
        return false;
    }
    if (!syncFolder(folder)) {
        *reason = QStringLiteral("\"%1\": %2").arg(target.absolutePath(), systemReason(errno));
        ::unlink(targetName.constData());
        return false;
    }
    return true;
}

bool syncFolder(const QString &folder)
{
    return ::syncFolder(QFile::encodeName(folder));
}

} // namespace PictureFiles
