#pragma once
// One packet per text line: JSON bytes, encrypted, Base64 with "--" where
// the 64-character lines were broken, then CR LF.

#include "PacketCipher.h"
#include "TPack.h"
#include "db/ExceptionPos.h"

namespace korvanta {

// A line that is no packet: bad Base64 or cipher (json false), or text that
// is not a JSON object (json true).
class PacketFormatError : public ExceptionPos {
public:
    PacketFormatError(const QString& message, bool json) : ExceptionPos(message), json_(json) {}
    bool badJson() const { return json_; }
private:
    bool json_;
};

// The most a line may hold before the connection gives up on it.
constexpr qsizetype kMaxLineLength = 4 * 1024 * 1024;

QByteArray EncodeLine(const TPack& pack, const PacketCipher& cipher);
// The line may still end in CR LF. Fails with PacketFormatError.
TPack DecodeLine(const QByteArray& line, const PacketCipher& cipher);

// The fixed replies to a peer that sent something unreadable.
inline const QByteArray kBadJsonReply = QByteArrayLiteral("{\"wtf!?\":-1\r\n");
inline const QByteArray kBadPackReply = QByteArrayLiteral("{\"wtf!?\":-1}\r\n");

}  // namespace korvanta
