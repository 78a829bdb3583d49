#pragma once

#include <QByteArray>
#include <QString>

// The service's update answer: the newest version, ";", and the installer's URL.
class UpdateAnswer {
  public:
    struct Version {
        int major = 0;
        int minor = 0;
    };

    Version version;
    QString installerUrl;

    // Split at the first ';'; without one the whole answer is both version and URL. The version text
    // goes through the service's code page before it is read.
    static UpdateAnswer Parse(const QString& answer);
    // "major.minor" read as the C library's atoi reads each part; 0.0 for text without digits.
    static Version ParseVersion(const QByteArray& text);
};
