#include "PacketCodec.h"

#include <QStringDecoder>

namespace korvanta {

QByteArray EncodeLine(const TPack& pack, const PacketCipher& cipher)
{
    const QByteArray b64 = cipher.Encrypt(pack.ToBytes()).toBase64();
    QByteArray line;
    line.reserve(b64.size() + b64.size() / 32 + 2);
    for (qsizetype i = 0; i < b64.size(); i += 64) {
        if (i > 0)
            line += "--";
        line += b64.mid(i, 64);
    }
    line += "\r\n";
    return line;
}

TPack DecodeLine(const QByteArray& line, const PacketCipher& cipher)
{
    QByteArray b64;
    b64.reserve(line.size());
    qsizetype end = line.size();
    while (end > 0 && (line[end - 1] == '\n' || line[end - 1] == '\r'))
        --end;
    for (qsizetype i = 0; i < end; ++i) {
        if (line[i] == '-') {
            ++i;  // "-" and the character after it stand for a line break
            continue;
        }
        b64 += line[i];
    }
    auto decoded = QByteArray::fromBase64Encoding(b64, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.isEmpty())
        throw PacketFormatError(QStringLiteral("Ошибка приема пакета: неверная строка Base64."), false);
    QByteArray plain;
    try {
        plain = cipher.Decrypt(decoded.decoded);
    } catch (const ExceptionPos& e) {
        throw PacketFormatError(QStringLiteral("Ошибка приема пакета: ") + e.message(), false);
    }
    // The bytes are ASCII; they are read in the system's code page all the same.
    QStringDecoder cp1251("windows-1251");
    const QString text = cp1251.isValid() ? cp1251(plain) : QString::fromLatin1(plain);
    TPack pack;
    try {
        pack.SetAsString(text);
    } catch (const ExceptionPos& e) {
        throw PacketFormatError(e.message(), true);
    }
    return pack;
}

}  // namespace korvanta
