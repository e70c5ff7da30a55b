#include "store/table/PicturePaths.h"

#include "store/table/ProgramPaths.h"

#include <QCryptographicHash>
#include <QList>

namespace {

constexpr int MaxFileNameBytes = 255;
const char Extension[] = ".jpg";
constexpr int ExtensionBytes = 4;
// "%~" and 16 hex digits of the hash.
constexpr int HashBytes = 18;

void appendEscaped(QByteArray &out, const QByteArray &bytes)
{
    static const char hex[] = "0123456789ABCDEF";
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += '%';
        out += hex[b >> 4];
        out += hex[b & 0x0F];
    }
}

// UTF-8 of one UTF-16 code unit, also for an unpaired surrogate, so that the
// bytes stay distinct for distinct names.
QByteArray unitBytes(char16_t unit)
{
    QByteArray bytes;
    bytes += char(0xE0 | (unit >> 12));
    bytes += char(0x80 | ((unit >> 6) & 0x3F));
    bytes += char(0x80 | (unit & 0x3F));
    return bytes;
}

bool isControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

} // namespace

namespace PicturePaths {

QString pictureFileName(const QString &recipeName)
{
    // The escaped name as a list of pieces, one per character, so that a cut
    // can only fall between characters.
    QList<QByteArray> pieces;
    const int length = int(recipeName.size());
    for (int i = 0; i < length; ++i) {
        const QChar ch = recipeName.at(i);
        QByteArray piece;
        if (ch.isHighSurrogate() && i + 1 < length && recipeName.at(i + 1).isLowSurrogate()) {
            piece = recipeName.mid(i, 2).toUtf8();
            ++i;
        } else if (ch.isSurrogate()) {
            appendEscaped(piece, unitBytes(ch.unicode()));
        } else {
            const char32_t c = ch.unicode();
            const QByteArray utf8 = QString(ch).toUtf8();
            // A leading byte-order mark is escaped too: text made from UTF-8
            // drops it, which would give "\uFEFFSoup" the file of "Soup".
            if (c == u'/' || c == u'%' || isControl(c) || (i == 0 && (c == u'.' || c == 0xFEFF)))
                appendEscaped(piece, utf8);
            else
                piece = utf8;
        }
        pieces.append(piece);
    }

    QByteArray name;
    for (const QByteArray &piece : pieces)
        name += piece;
    if (name.size() + ExtensionBytes <= MaxFileNameBytes)
        return QString::fromUtf8(name + Extension);

    QByteArray cut;
    for (const QByteArray &piece : pieces) {
        if (cut.size() + piece.size() + HashBytes + ExtensionBytes > MaxFileNameBytes)
            break;
        cut += piece;
    }
    // Hashed as UTF-16, so that names differing only in unpaired surrogates
    // still hash apart.
    const QByteArray units(reinterpret_cast<const char *>(recipeName.utf16()), recipeName.size() * 2);
    const QByteArray hash = QCryptographicHash::hash(units, QCryptographicHash::Sha256).toHex().left(16).toUpper();
    return QString::fromUtf8(cut + "%~" + hash + Extension);
}

QString pictureFile(const QString &recipeName)
{
    return ProgramPaths::picsFolder() + pictureFileName(recipeName);
}

} // namespace PicturePaths
