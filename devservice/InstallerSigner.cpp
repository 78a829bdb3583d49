#include "devservice/InstallerSigner.h"

#include <QDateTime>
#include <QFile>

#include <openssl/evp.h>

#include <memory>

namespace {

struct PkeyFree {
    void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct MdCtxFree {
    void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};

QByteArray ed25519(const QByteArray& seed, const QByteArray& message) {
    const std::unique_ptr<EVP_PKEY, PkeyFree> key(EVP_PKEY_new_raw_private_key(
        EVP_PKEY_ED25519, nullptr, reinterpret_cast<const unsigned char*>(seed.constData()), 32));
    const std::unique_ptr<EVP_MD_CTX, MdCtxFree> ctx(EVP_MD_CTX_new());
    QByteArray signature(64, '\0');
    std::size_t length = 64;
    if (!key || !ctx || EVP_DigestSignInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) != 1 ||
        EVP_DigestSign(ctx.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                       reinterpret_cast<const unsigned char*>(message.constData()),
                       std::size_t(message.size())) != 1 ||
        length != 64)
        return {};
    return signature;
}

} // namespace

bool InstallerSigner::Load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> lines = file.readAll().split('\n');
    if (lines.size() < 2)
        return false;
    // "Ed", KDF "\0\0" (unencrypted), checksum "B2", salt, limits, then key id, secret and public key.
    const QByteArray raw = QByteArray::fromBase64(lines[1].trimmed());
    if (raw.size() != 158 || !raw.startsWith(QByteArray("Ed\0\0B2", 6)))
        return false;
    keyId_ = raw.mid(54, 8);
    seed_ = raw.mid(62, 32);
    loaded_ = true;
    return true;
}

QByteArray InstallerSigner::Sign(const QByteArray& data, const QString& fileName) const {
    if (!loaded_)
        return {};
    unsigned char hash[EVP_MAX_MD_SIZE];
    unsigned int hashLength = 0;
    if (EVP_Digest(data.constData(), std::size_t(data.size()), hash, &hashLength, EVP_blake2b512(),
                   nullptr) != 1)
        return {};
    const QByteArray signature =
        ed25519(seed_, QByteArray(reinterpret_cast<const char*>(hash), int(hashLength)));
    const QByteArray comment = "timestamp:" + QByteArray::number(QDateTime::currentSecsSinceEpoch()) +
                               "\tfile:" + fileName.toUtf8() + "\thashed";
    const QByteArray global = ed25519(seed_, signature + comment);
    if (signature.isEmpty() || global.isEmpty())
        return {};
    return "untrusted comment: signature from the reference service's development key\n" +
           (QByteArray("ED") + keyId_ + signature).toBase64() + "\ntrusted comment: " + comment + "\n" +
           global.toBase64() + "\n";
}
