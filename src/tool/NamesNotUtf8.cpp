#include "tool/NamesNotUtf8.h"

#include <QByteArray>
#include <QFile>

#include <fcntl.h>
#include <unistd.h>

bool reachNamesThatAreNotUtf8(int argc, char *argv[], int first, int last, QStringList *arguments, QString *error)
{
    auto plain = [](const QByteArray &bytes) { return QFile::encodeName(QFile::decodeName(bytes)) == bytes; };
    auto openFolder = [](const QByteArray &bytes) {
        return ::open(bytes.isEmpty() ? "/" : bytes.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    };
    for (int i = first; i < argc && i <= last && i < arguments->size(); ++i) {
        const QByteArray bytes(argv[i]);
        if (plain(bytes))
            continue;
        int descriptor = openFolder(bytes);
        if (descriptor >= 0) {
            (*arguments)[i] = QStringLiteral("/proc/self/fd/%1").arg(descriptor);
            continue;
        }
        const int slash = int(bytes.lastIndexOf('/'));
        const QByteArray name = bytes.mid(slash + 1);
        descriptor = slash < 0 || !plain(name) ? -1 : openFolder(bytes.left(slash));
        if (descriptor < 0) {
            *error = QStringLiteral("The name %1 cannot be used: it is not UTF-8 text. Rename it, or give a folder "
                                    "of that name that exists.")
                         .arg(QString::fromLatin1(bytes.toPercentEncoding("/")));
            return false;
        }
        (*arguments)[i] = QStringLiteral("/proc/self/fd/%1/").arg(descriptor) + QFile::decodeName(name);
    }
    return true;
}
