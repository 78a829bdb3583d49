#include "service/InstallerSignature.h"

#include <QFile>

#include <openssl/evp.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>

namespace {

constexpr const char* kUntrusted = "untrusted comment: ";
constexpr const char* kTrusted = "trusted comment: ";
// Legacy signatures sign the whole file, which then has to be read into memory.
constexpr qint64 kMaxLegacyFileSize = 256LL * 1024 * 1024;

struct PkeyFree {
    void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct MdCtxFree {
    void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};
using Pkey = std::unique_ptr<EVP_PKEY, PkeyFree>;
using MdCtx = std::unique_ptr<EVP_MD_CTX, MdCtxFree>;

// Strict base64 of exactly `size` bytes; nothing when the text is anything else.
std::optional<QByteArray> decode(const QByteArray& text, qsizetype size) {
    const auto result = QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
    if (!result || result.decoded.size() != size)
        return std::nullopt;
    return result.decoded;
}

template <std::size_t N> void copyTo(std::array<uint8_t, N>& out, const QByteArray& from, qsizetype at) {
    std::copy_n(reinterpret_cast<const uint8_t*>(from.constData()) + at, N, out.begin());
}

bool verifyEd25519(const std::array<uint8_t, 32>& key, const uint8_t* signature, const uint8_t* message,
                   std::size_t length) {
    const Pkey pkey(EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, key.data(), key.size()));
    const MdCtx ctx(EVP_MD_CTX_new());
    if (!pkey || !ctx || EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, pkey.get()) != 1)
        return false;
    return EVP_DigestVerify(ctx.get(), signature, 64, message, length) == 1;
}

// Lines of the signature file without their line ends; a last line without one counts too.
QList<QByteArray> lines(const QByteArray& text) {
    QList<QByteArray> list = text.split('\n');
    if (!list.isEmpty() && list.back().isEmpty())
        list.pop_back();
    for (QByteArray& line : list)
        if (line.endsWith('\r'))
            line.chop(1);
    return list;
}

// What the file signature covers: the file itself, or its BLAKE2b-512 hash. Nothing when unreadable.
std::optional<QByteArray> signedMessage(const QString& path, bool prehashed) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    if (!prehashed) {
        if (file.size() > kMaxLegacyFileSize)
            return std::nullopt;
        QByteArray all = file.readAll();
        if (all.size() != file.size())
            return std::nullopt;
        return all;
    }
    const MdCtx ctx(EVP_MD_CTX_new());
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_blake2b512(), nullptr) != 1)
        return std::nullopt;
    QByteArray buffer(64 * 1024, Qt::Uninitialized);
    for (;;) {
        const qint64 n = file.read(buffer.data(), buffer.size());
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        if (EVP_DigestUpdate(ctx.get(), buffer.constData(), std::size_t(n)) != 1)
            return std::nullopt;
    }
    QByteArray hash(EVP_MAX_MD_SIZE, Qt::Uninitialized);
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(ctx.get(), reinterpret_cast<unsigned char*>(hash.data()), &length) != 1 ||
        length != 64)
        return std::nullopt;
    hash.truncate(64);
    return hash;
}

std::optional<QByteArray> hashData(const QByteArray& data, bool prehashed) {
    if (!prehashed)
        return data;
    unsigned char hash[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(data.constData(), std::size_t(data.size()), hash, &length, EVP_blake2b512(), nullptr) !=
            1 ||
        length != 64)
        return std::nullopt;
    return QByteArray(reinterpret_cast<const char*>(hash), 64);
}

InstallerSignature::Verdict check(const QByteArray& signatureText, const InstallerSignature::PublicKey& key,
                                  const std::function<std::optional<QByteArray>(bool)>& message) {
    using V = InstallerSignature::Verdict;
    const auto sig = InstallerSignature::Parse(signatureText);
    if (!sig)
        return V::Malformed;
    if (sig->keyId != key.keyId)
        return V::OtherKey;
    // The trusted comment first: it is short, and a signature whose comment was changed is void.
    QByteArray global(reinterpret_cast<const char*>(sig->signature.data()), 64);
    global += sig->trustedComment;
    if (!verifyEd25519(key.key, sig->globalSignature.data(),
                       reinterpret_cast<const uint8_t*>(global.constData()), std::size_t(global.size())))
        return V::Invalid;
    const std::optional<QByteArray> signedBytes = message(sig->prehashed);
    if (!signedBytes)
        return V::Unreadable;
    return verifyEd25519(key.key, sig->signature.data(),
                         reinterpret_cast<const uint8_t*>(signedBytes->constData()),
                         std::size_t(signedBytes->size()))
               ? V::Valid
               : V::Invalid;
}

} // namespace

std::optional<InstallerSignature::PublicKey> InstallerSignature::ParsePublicKey(const QByteArray& text) {
    QByteArray line = text.trimmed();
    const QList<QByteArray> all = lines(line);
    if (all.size() == 2 && all[0].startsWith(kUntrusted))
        line = all[1].trimmed();
    const auto bytes = decode(line, 42);
    if (!bytes || !bytes->startsWith("Ed"))
        return std::nullopt;
    PublicKey key;
    copyTo(key.keyId, *bytes, 2);
    copyTo(key.key, *bytes, 10);
    return key;
}

std::optional<InstallerSignature::Signature> InstallerSignature::Parse(const QByteArray& text) {
    if (text.size() > kMaxSignatureSize || text.contains('\0'))
        return std::nullopt;
    const QList<QByteArray> all = lines(text);
    if (all.size() != 4 || !all[0].startsWith(kUntrusted) || !all[2].startsWith(kTrusted))
        return std::nullopt;
    const auto main = decode(all[1], 74);
    const auto global = decode(all[3], 64);
    if (!main || !global)
        return std::nullopt;
    Signature sig;
    if (main->startsWith("ED"))
        sig.prehashed = true;
    else if (!main->startsWith("Ed"))
        return std::nullopt;
    copyTo(sig.keyId, *main, 2);
    copyTo(sig.signature, *main, 10);
    sig.trustedComment = all[2].mid(qsizetype(std::strlen(kTrusted)));
    copyTo(sig.globalSignature, *global, 0);
    return sig;
}

InstallerSignature::Verdict
InstallerSignature::VerifyFile(const QString& path, const QByteArray& signatureText, const PublicKey& key) {
    return check(signatureText, key, [&](bool prehashed) { return signedMessage(path, prehashed); });
}

InstallerSignature::Verdict InstallerSignature::VerifyData(const QByteArray& data,
                                                           const QByteArray& signatureText,
                                                           const PublicKey& key) {
    return check(signatureText, key, [&](bool prehashed) { return hashData(data, prehashed); });
}

QByteArray InstallerSignature::TrustedKeyText() {
    return QByteArrayLiteral(LEXICARTA_UPDATE_PUBLIC_KEY);
}
