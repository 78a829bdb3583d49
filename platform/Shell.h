#pragma once

#include <QString>

#include <functional>

// Opens web addresses in the user's browser. Every such request of the program goes through here, so
// that tests can record them instead of starting a browser.
class Shell {
  public:
    using Handler = std::function<void(const QString& url)>;

    // Hands the address to the desktop's browser; the outcome is not reported.
    static void Open(const QString& url);

    // Replaces the browser by `handler` (tests); an empty handler brings the browser back.
    static void SetHandler(Handler handler);
};
