#pragma once

#include <QString>

// The per-user settings values, kept in group "1.0" of the "Lexicarta"/"Lexicarta Desktop" settings
// file. Nothing is cached: every read goes to the file, a missing value or unreadable file reads as
// the caller's default. The file holds the sign-in token, so it is kept readable by its owner only.
class SettingsStore {
  public:
    static constexpr const char* Section = "1.0";
    static constexpr const char* DelayTime = "DelayTime";
    static constexpr const char* AutoPlay = "AutoPlay";
    static constexpr const char* StartWithPC = "StartWithPC";
    static constexpr const char* AutoLogin = "AutoLogin";
    static constexpr const char* User = "User";
    static constexpr const char* Token = "Token";

    static int GetInt(const QString& name, int defaultValue);
    static bool WriteInt(const QString& name, int value);
    static QString GetString(const QString& name, const QString& defaultValue);
    static bool WriteString(const QString& name, const QString& text);
    // Removes a value, so that it reads as its default again.
    static bool Remove(const QString& name);

    // Path of the settings file.
    static QString FilePath();
};
