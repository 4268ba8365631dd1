// The wire format: cipher, JSON writer, framing and decoding, with vectors
// computed independently (openssl enc -rc2-cbc with the same key).
#include "support/Expect.h"

#include "net/PacketCodec.h"
#include "net/TCon.h"

#include <gtest/gtest.h>

using namespace korvanta;

namespace {
QByteArray Hex(const char* h)
{
    return QByteArray::fromHex(h);
}
}  // namespace

TEST(PacketCipher, MatchesTheRc2TestVectors)
{
    struct Case {
        const char* key;
        int bits;
        const char* plain;
        const char* cipher;
    } cases[] = {
        {"0000000000000000", 63, "0000000000000000", "ebb773f993278eff"},
        {"ffffffffffffffff", 64, "ffffffffffffffff", "278b27e42e2f0d49"},
        {"3000000000000000", 64, "1000000000000001", "30649edf9be7d2c2"},
        {"88", 64, "0000000000000000", "61a8a244adacccf0"},
        {"88bca90e90875a", 64, "0000000000000000", "6ccf4308974c267f"},
        {"88bca90e90875a7f0f79c384627bafb2", 64, "0000000000000000", "1a807d272bbe5db1"},
        {"88bca90e90875a7f0f79c384627bafb2", 128, "0000000000000000", "2269552ab0f85ca6"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PacketCipher::EncryptBlockEcb(Hex(c.key), c.bits, Hex(c.plain)).toHex(), QByteArray(c.cipher))
            << c.key << " at " << c.bits << " bits";
}

TEST(PacketCipher, KeyIsTheDigestOfTheSharedMaterial)
{
    PacketCipher cipher;
    EXPECT_EQ(cipher.key().toHex(), "edf55768122bd50322ceb5dcc8e06f3e");
    const QByteArray text = "{\"Com\":\"Ping\"}";
    EXPECT_EQ(cipher.Decrypt(cipher.Encrypt(text)), text);
    EXPECT_MSG_STARTS(cipher.Decrypt("1234567"), "Ошибка шифрования пакета");
    PacketCipher other(QByteArray(16, 'x'));
    EXPECT_MSG_STARTS(other.Decrypt(cipher.Encrypt(QByteArray(100, 'a'))), "Ошибка шифрования пакета");
}

TEST(TPack, WritesCompactAsciiJsonInTheOrderAdded)
{
    TPack p;
    p.AddCom("Echo");
    p.AddInt("InRetId", 7);
    p.AddStr("Text", "Привет a/b \"q\" \\ \t\r\n\b\f\x01");
    p.AddBool("Ok", false);
    p.AddDate("Date", TDateTime{44270.75});
    p.AddStr("Smile", QString::fromUcs4(U"\U0001F600"));
    TPack::Json& arr = p.AddArray("Rows");
    arr.push_back(TPack::Json::object());
    p.AddInt("N", 1, &arr[0]);
    p.AddResFalse("Нет");
    EXPECT_EQ(p.ToBytes(),
              "{\"Com\":\"Echo\",\"InRetId\":7,"
              "\"Text\":\"\\u041F\\u0440\\u0438\\u0432\\u0435\\u0442 a\\/b \\\"q\\\" \\\\ \\t\\r\\n\\b\\f\\u0001\","
              "\"Ok\":false,\"Date\":44270.75,\"Smile\":\"\\uD83D\\uDE00\",\"Rows\":[{\"N\":1}],"
              "\"Res\":false,\"ErrMsg\":\"\\u041D\\u0435\\u0442\"}");

    TPack back;
    back.SetAsString(p.GetAsString());
    EXPECT_EQ(back.GetStr("Text"), p.GetStr("Text"));
    EXPECT_EQ(back.GetStr("Smile"), QString::fromUcs4(U"\U0001F600"));
    EXPECT_EQ(back.GetInt("InRetId"), 7);
    EXPECT_EQ(back.GetDate("Date").serial, 44270.75);
    EXPECT_FALSE(back.GetRes());
    EXPECT_EQ(back.GetErr(), "Нет");
    EXPECT_EQ(back.GetInt("N", &back.GetArray("Rows")[0]), 1);
    EXPECT_FALSE(back.HasPair("Absent"));
    EXPECT_MSG(back.GetStr("Absent"), "В пакете нет значения \"Absent\".");
}

TEST(TPack, RefusesTextThatIsNoObject)
{
    TPack p;
    EXPECT_MSG_STARTS(p.SetAsString("{\"a\":"), "Ошибка создания JSON-объекта из строки: ");
    EXPECT_MSG(p.SetAsString("[1,2]"), "[1,2]");
}

TEST(PacketLine, FixedVectors)
{
    PacketCipher cipher;
    struct Case {
        const char* name;
        TPack pack;
        QByteArray line;
    };
    TPack getDate;
    getDate.AddCom("GetDate");
    getDate.AddInt("InRetId", 1);
    TPack echo;  // "/" and Cyrillic: 65 bytes of JSON, 96 Base64 characters
    echo.AddCom("Echo");
    echo.AddStr("Text", "Привет a/b");
    TPack ping;  // 43 bytes of JSON: exactly 64 Base64 characters, no break
    ping.AddCom("Ping");
    ping.AddStr("Note", "abcdefghijklmnopqrs");
    const Case cases[] = {
        {"short", getDate, "ZsYHg1lED5l1r0KG24ttVYW2icesa2Srmm6wWf3Oy4Q=\r\n"},
        {"broken after 64",
         echo,
         "ZsYHg1lED5kJ+++ieI0UaLhhJk7NWk2mYOox2OrcU7zDFBImKFS1SQZxhh+B1TaA--kMAB4NTT2u1brFDKc4QVD8QVQPsAFMZK\r\n"},
        {"exactly 64", ping, "ZsYHg1lED5lbUZ9E8YqiEXrRampD50veWsvHlhFy5DkAk799ryzUk478XTheB8Re\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(EncodeLine(c.pack, cipher), c.line);
        const TPack back = DecodeLine(c.line, cipher);
        EXPECT_EQ(back.ToBytes(), c.pack.ToBytes());
    }
    EXPECT_EQ(DecodeLine(cases[1].line, cipher).GetStr("Text"), "Привет a/b");
}

TEST(PacketLine, UnreadableLinesAreRefusedByKind)
{
    PacketCipher cipher;
    struct Case {
        const char* name;
        QByteArray line;
        bool json;
    } cases[] = {
        {"not base64", "@@@@\r\n", false},
        {"empty", "\r\n", false},
        {"bad json reply", kBadJsonReply, false},
        {"bad pack reply", kBadPackReply, false},
        {"wrong length", QByteArray("AAAA\r\n"), false},
        {"not json", cipher.Encrypt("hello").toBase64() + "\r\n", true},
        {"not an object", cipher.Encrypt("[1]").toBase64() + "\r\n", true},
    };
    for (const Case& c : cases) {
        try {
            DecodeLine(c.line, cipher);
            ADD_FAILURE() << c.name;
        } catch (const PacketFormatError& e) {
            EXPECT_EQ(e.badJson(), c.json) << c.name << ": " << e.message().toStdString();
        }
    }
}

TEST(SocketErrorCode, UsesTheWindowsNumbers)
{
    EXPECT_EQ(SocketErrorCode(QAbstractSocket::ConnectionRefusedError), 10061);
    EXPECT_EQ(SocketErrorCode(QAbstractSocket::RemoteHostClosedError), 10053);
    EXPECT_EQ(SocketErrorCode(QAbstractSocket::NetworkError), 10054);
    EXPECT_EQ(SocketErrorCode(QAbstractSocket::SocketTimeoutError), 10060);
    EXPECT_EQ(SocketErrorCode(QAbstractSocket::HostNotFoundError), 11001);
}
