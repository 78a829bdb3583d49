#pragma once

#include <QByteArray>
#include <QString>

// Signs the stand-in installers as a release would: minisign's prehashed format ("ED", the Ed25519
// signature of the file's BLAKE2b-512 hash, with a trusted comment and the global signature over both),
// with a secret key in minisign's unencrypted format (`minisign -G -W`).
class InstallerSigner {
  public:
    // Reads the secret key file; false when it is not an unencrypted minisign key.
    bool Load(const QString& path);
    bool IsLoaded() const { return loaded_; }
    // The .minisig text for `data`, published as `fileName`; empty when no key is loaded.
    QByteArray Sign(const QByteArray& data, const QString& fileName) const;

  private:
    bool loaded_ = false;
    QByteArray keyId_; // 8 bytes
    QByteArray seed_;  // the Ed25519 secret seed, 32 bytes
};
