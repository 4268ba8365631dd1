#pragma once
// The packet cipher: RC2 with 128 effective key bits, CBC from a zero IV,
// PKCS#5 padding; every packet is encrypted on its own.

#include <QByteArray>

namespace korvanta {

class PacketCipher {
public:
    // The key is the MD5 digest of the shared key material.
    PacketCipher();
    explicit PacketCipher(const QByteArray& key16);
    QByteArray Encrypt(const QByteArray& plain) const;
    // Fails (ExceptionPos) when the data does not decrypt or its padding is wrong.
    QByteArray Decrypt(const QByteArray& cipher) const;
    const QByteArray& key() const { return key_; }

    // One block with a chosen effective key length: for checking the cipher
    // against published test vectors.
    static QByteArray EncryptBlockEcb(const QByteArray& key, int effectiveBits, const QByteArray& block8);

private:
    QByteArray key_;
};

}  // namespace korvanta
