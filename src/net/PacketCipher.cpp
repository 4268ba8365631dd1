#include "PacketCipher.h"

#include "KeyMaterial.h"
#include "db/ExceptionPos.h"

#include <QCryptographicHash>
#include <openssl/evp.h>
#include <openssl/provider.h>

#include <memory>
#include <mutex>

namespace korvanta {

namespace {

// RC2 lives in OpenSSL's legacy provider; the default one must stay loaded too.
// The handles are kept for the whole run.
OSSL_PROVIDER* g_legacy = nullptr;
OSSL_PROVIDER* g_default = nullptr;

void LoadProviders()
{
    static std::once_flag once;
    std::call_once(once, [] {
        g_legacy = OSSL_PROVIDER_load(nullptr, "legacy");
        g_default = OSSL_PROVIDER_load(nullptr, "default");
    });
}

struct CtxFree {
    void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};
using Ctx_ = std::unique_ptr<EVP_CIPHER_CTX, CtxFree>;

[[noreturn]] void Fail(const char* what)
{
    RaiseMsgFmt(QStringLiteral("Ошибка шифрования пакета: %s."), {what});
}

}  // namespace

struct PacketCipher::Ctx {
    Ctx(const QByteArray& key, bool encrypt, const EVP_CIPHER* cipher = nullptr, int effectiveBits = 128,
        bool padding = true)
        : ctx(EVP_CIPHER_CTX_new()), encrypt(encrypt)
    {
        LoadProviders();
        static const unsigned char iv[8] = {};
        if (!cipher)
            cipher = EVP_rc2_cbc();
        if (!ctx || !cipher || EVP_CipherInit_ex(ctx.get(), cipher, nullptr, nullptr, nullptr, encrypt) != 1 ||
            EVP_CIPHER_CTX_set_key_length(ctx.get(), key.size()) != 1 ||
            EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_SET_RC2_KEY_BITS, effectiveBits, nullptr) != 1 ||
            EVP_CipherInit_ex(ctx.get(), nullptr, nullptr, reinterpret_cast<const unsigned char*>(key.constData()), iv,
                              encrypt) != 1)
            Fail("не удалось задать ключ");
        EVP_CIPHER_CTX_set_padding(ctx.get(), padding ? 1 : 0);
    }
    QByteArray Run(const QByteArray& in)
    {
        static const unsigned char iv[8] = {};
        if (EVP_CipherInit_ex(ctx.get(), nullptr, nullptr, nullptr, iv, encrypt) != 1)
            Fail("не удалось задать ключ");
        QByteArray out(in.size() + 16, Qt::Uninitialized);
        int len1 = 0, len2 = 0;
        if (EVP_CipherUpdate(ctx.get(), reinterpret_cast<unsigned char*>(out.data()), &len1,
                             reinterpret_cast<const unsigned char*>(in.constData()), in.size()) != 1)
            Fail("ошибка данных");
        if (EVP_CipherFinal_ex(ctx.get(), reinterpret_cast<unsigned char*>(out.data()) + len1, &len2) != 1)
            Fail(encrypt ? "ошибка данных" : "неверное дополнение блока");
        out.resize(len1 + len2);
        return out;
    }
    Ctx_ ctx;
    int encrypt;
};

PacketCipher::~PacketCipher() = default;

PacketCipher::PacketCipher()
    : key_(QCryptographicHash::hash(QByteArray(reinterpret_cast<const char*>(kKeyMaterial.data()),
                                               static_cast<int>(kKeyMaterial.size())),
                                    QCryptographicHash::Md5))
{
}

PacketCipher::PacketCipher(const QByteArray& key16) : key_(key16) {}

QByteArray PacketCipher::Encrypt(const QByteArray& plain) const
{
    if (!enc_)
        enc_ = std::make_unique<Ctx>(key_, true);
    return enc_->Run(plain);
}

QByteArray PacketCipher::Decrypt(const QByteArray& cipher) const
{
    if (cipher.isEmpty() || cipher.size() % 8 != 0)
        Fail("длина данных не кратна блоку");
    if (!dec_)
        dec_ = std::make_unique<Ctx>(key_, false);
    return dec_->Run(cipher);
}

QByteArray PacketCipher::EncryptBlockEcb(const QByteArray& key, int effectiveBits, const QByteArray& block8)
{
    return Ctx(key, true, EVP_rc2_ecb(), effectiveBits, false).Run(block8);
}

}  // namespace korvanta
