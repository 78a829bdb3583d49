#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

// An installer's Ed25519 signature in minisign's format (the ".minisig" file beside it), checked
// against a public key in minisign's format: the algorithm ("Ed" over the file, "ED" over its
// BLAKE2b-512 hash), the key id, the signature over the file, and the global signature over the
// signature and its trusted comment.
class InstallerSignature {
  public:
    // A signature file is a few hundred bytes; anything much longer is not one.
    static constexpr qsizetype kMaxSignatureSize = 4096;

    struct PublicKey {
        std::array<uint8_t, 8> keyId{};
        std::array<uint8_t, 32> key{};
    };

    struct Signature {
        bool prehashed = false; // "ED": signs the BLAKE2b-512 hash of the file
        std::array<uint8_t, 8> keyId{};
        std::array<uint8_t, 64> signature{};
        QByteArray trustedComment; // the text after "trusted comment: "
        std::array<uint8_t, 64> globalSignature{};
    };

    enum class Verdict {
        Valid,
        Malformed,  // not a signature file, or over the size cap
        OtherKey,   // made with a key other than the trusted one
        Invalid,    // the file or the trusted comment does not match the signature
        Unreadable, // the installer cannot be read (or is over the size cap for a legacy signature)
    };

    // The public key as minisign writes it: the base64 line ("RW..."), or the whole .pub file.
    static std::optional<PublicKey> ParsePublicKey(const QByteArray& text);
    // The .minisig file: untrusted comment, signature line, trusted comment, global signature line.
    static std::optional<Signature> Parse(const QByteArray& text);

    // Checks the file at `path` against `signatureText`, signed by `key`.
    static Verdict VerifyFile(const QString& path, const QByteArray& signatureText, const PublicKey& key);
    // The same for bytes in memory.
    static Verdict VerifyData(const QByteArray& data, const QByteArray& signatureText, const PublicKey& key);

    // The key the build trusts (CMake setting LEXICARTA_UPDATE_PUBLIC_KEY).
    static QByteArray TrustedKeyText();
};
