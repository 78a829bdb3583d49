#pragma once

#include "service/UpdateAnswer.h"

#include <QByteArray>
#include <QString>

#include <functional>

class ServiceClient;

// The check for a newer version after every sign-in: asks the service, and when it names a newer
// version asks the user, downloads the installer into a private folder and, when its signature
// verifies against the trusted key, starts it silently.
class UpdateCheck {
  public:
    // Results of Run.
    static constexpr int UpToDate = 1;                            // no newer version: go on signed in
    static constexpr int InstallerStarted = 0;                    // the program should close now
    static constexpr int Declined = static_cast<int>(0x80004004); // E_ABORT: the user said no
    static constexpr int Failed = static_cast<int>(0x80004005);   // E_FAIL: after the failure message

    using Version = UpdateAnswer::Version;

    // What the check shows: the question (true for yes), the failure message, and the wait for the
    // installer: downloading(true) after the yes, downloading(false) once the download has ended in any
    // way, before the failure message or the installer's start.
    struct Prompts {
        std::function<bool()> confirmUpdate;
        std::function<void()> reportFailure;
        std::function<void(bool)> downloading;
    };

    static int Run(ServiceClient& client, const Prompts& prompts);

    // "major.minor" read as the C library's atoi reads each part; 0.0 for text without digits.
    static Version ParseVersion(const QByteArray& text);
    // The program's own version (0.1).
    static Version OwnVersion();
    static bool IsNewer(Version service, Version own);
    // The installer's file name from its URL; empty when it is no usable file name.
    static QString InstallerFileName(const QString& url);
    // The user's private download folder (created with mode 0700); empty when it cannot be made safe.
    static QString DownloadFolder();
    // Where the installer at `url` is saved; empty when there is no safe place or name for it.
    static QString InstallerPath(const QString& url);
    // Fetches the signature (url + ".minisig") and the installer into InstallerPath; true only when
    // the installer's signature verifies against the trusted key. A file that fails is removed.
    static bool DownloadSigned(ServiceClient& client, const QString& url);
    // Makes the file executable and starts it detached with the argument "/S".
    static bool StartInstaller(const QString& path);
};
