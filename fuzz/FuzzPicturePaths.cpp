// The picture-path escaping over random recipe names (UTF-16 code units, so
// unpaired surrogates and control characters come too). For every name the
// picture file is a plain name directly inside Pics that the file system
// takes, the same name always gives the same file, and distinct names never
// share a file (checked against every name seen in the run).

#include "FuzzSupport.h"

#include "store/table/PicturePaths.h"
#include "store/table/ProgramPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <cstdint>

namespace {

QHash<QString, QString> &seen() // file name -> recipe name
{
    static QHash<QString, QString> map;
    return map;
}

void checkName(const QString &name)
{
    const QString fileName = PicturePaths::pictureFileName(name);
    Fuzz::check(!fileName.isEmpty(), "empty file name");
    Fuzz::check(fileName != QLatin1String(".") && fileName != QLatin1String(".."), "dot file name", fileName);
    Fuzz::check(!fileName.contains(QLatin1Char('/')), "folder part in file name", fileName);
    Fuzz::check(!fileName.contains(QChar(0)), "NUL in file name", fileName);
    Fuzz::check(QFile::encodeName(fileName).size() <= 255, "file name longer than 255 bytes", fileName);
    Fuzz::check(QFile::decodeName(QFile::encodeName(fileName)) == fileName, "file name does not survive encoding",
                fileName);
    Fuzz::check(PicturePaths::pictureFileName(name) == fileName, "not deterministic");

    const QString path = PicturePaths::pictureFile(name);
    Fuzz::check(path == ProgramPaths::picsFolder() + fileName, "path is not Pics + file name", path);

    QHash<QString, QString> &map = seen();
    const auto it = map.constFind(fileName);
    if (it != map.constEnd())
        Fuzz::check(it.value() == name, "two names share a file",
                    fileName + QStringLiteral(" <- [") + it.value() + QStringLiteral("] and [") + name + QLatin1Char(']'));
    else if (map.size() < 200000)
        map.insert(fileName, name);

    // The file system takes it, and it lands directly inside Pics.
    QFile file(path);
    Fuzz::check(file.open(QIODevice::WriteOnly), "the picture file cannot be made", fileName);
    file.close();
    const QStringList entries = QDir(ProgramPaths::picsFolder()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    Fuzz::check(entries == QStringList{fileName}, "the file is not directly inside Pics", fileName);
    QFile::remove(path);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Fuzz::ensureCoreApplication();
    ProgramPaths::setProgramFolder(Fuzz::scratch());
    QDir().mkpath(ProgramPaths::picsFolder());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Two names, split at the first 0xFFFF unit; a name field holds at most
    // 75 characters, but the escaping must hold for any length.
    QString text(reinterpret_cast<const QChar *>(data), qsizetype(size / 2));
    const qsizetype split = text.indexOf(QChar(0xFFFF));
    const QString first = split < 0 ? text : text.left(split);
    checkName(first);
    if (split >= 0)
        checkName(text.mid(split + 1));
    return 0;
}
