// libFuzzer target for the receive path: one line from the network to a
// packet. Every input must end in a packet or a PacketFormatError.
#include "net/PacketCodec.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const korvanta::PacketCipher cipher;
    try {
        korvanta::TPack pack =
            korvanta::DecodeLine(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), cipher);
        // A decoded packet must also write and read back.
        korvanta::TPack again;
        again.SetAsString(pack.GetAsString());
    } catch (const korvanta::PacketFormatError&) {
    }
    return 0;
}
