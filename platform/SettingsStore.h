#pragma once

#include <QString>

// The per-user settings values, kept in group "1.0" of the "Lexicarta"/"Lexicarta Desktop" settings
// file. Nothing is cached: every read goes to the file, a missing value or unreadable file reads as
// the caller's default. The file holds the sign-in token, so it is kept readable by its owner only.
//
// The table below is every value the program keeps: its key, its type and its default. The program
// reads and writes them through the typed Get and Set; the untyped calls below them serve tests and
// tools that write what the program would never write.
class SettingsStore {
  public:
    struct IntValue {
        const char* name;
        int fallback;
    };
    struct TextValue {
        const char* name;
    };

    static constexpr const char* Section = "1.0";
    // Seconds between two cards; the settings dialog writes 1 to 3600.
    static constexpr IntValue DelayTime{"DelayTime", 5};
    // Start playing once a book has loaded: the engine takes any value but 0 as on, the settings dialog
    // shows it ticked only when it is exactly 1; both write 0 or 1.
    static constexpr IntValue AutoPlay{"AutoPlay", 1};
    // 2: never chosen (the first start registers the autostart entry); otherwise the last choice.
    static constexpr IntValue StartWithPC{"StartWithPC", 2};
    // Sign in with the stored token at start; 0 whenever the token is emptied.
    static constexpr IntValue AutoLogin{"AutoLogin", 0};
    static constexpr TextValue User{"User"};
    static constexpr TextValue Token{"Token"};

    static int Get(IntValue value);
    static bool Set(IntValue value, int number);
    static QString Get(TextValue value);
    static bool Set(TextValue value, const QString& text);

    static int GetInt(const QString& name, int defaultValue);
    static bool WriteInt(const QString& name, int value);
    static QString GetString(const QString& name, const QString& defaultValue);
    static bool WriteString(const QString& name, const QString& text);
    // Removes a value, so that it reads as its default again.
    static bool Remove(const QString& name);

    // Path of the settings file.
    static QString FilePath();
};
