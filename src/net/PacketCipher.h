#pragma once
// The packet cipher: RC2 with 128 effective key bits, CBC from a zero IV,
// PKCS#5 padding; every packet is encrypted on its own.

#include <QByteArray>
#include <memory>

struct evp_cipher_ctx_st;

namespace korvanta {

class PacketCipher {
public:
    // The key is the MD5 digest of the shared key material.
    PacketCipher();
    explicit PacketCipher(const QByteArray& key16);
    ~PacketCipher();
    PacketCipher(const PacketCipher&) = delete;
    PacketCipher& operator=(const PacketCipher&) = delete;
    QByteArray Encrypt(const QByteArray& plain) const;
    // Fails (ExceptionPos) when the data does not decrypt or its padding is wrong.
    QByteArray Decrypt(const QByteArray& cipher) const;
    const QByteArray& key() const { return key_; }

    // One block with a chosen effective key length: for checking the cipher
    // against published test vectors.
    static QByteArray EncryptBlockEcb(const QByteArray& key, int effectiveBits, const QByteArray& block8);

private:
    // One context per direction with the key schedule done once; each packet
    // starts again from the zero IV. A connection uses its cipher from one thread.
    struct Ctx;
    mutable std::unique_ptr<Ctx> enc_, dec_;
    QByteArray key_;
};

}  // namespace korvanta
