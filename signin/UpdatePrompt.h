#pragma once

#include <functional>

class QWidget;
class ServiceClient;

// The update check with its question and failure message as message boxes over `parent`.
class UpdatePrompt {
  public:
    // Puts a question to the user on the GUI thread and returns the answer (false when none came).
    using OnGuiThread = std::function<bool(std::function<bool()> question)>;

    // Told true when the installer download starts and false when it has ended, on the calling thread.
    using Downloading = std::function<void(bool)>;

    // 1: no newer version; 0: the installer was started (close the program); UpdateCheck::Declined or
    // UpdateCheck::Failed (negative) otherwise. Blocks while it talks to the service, so it runs on a
    // worker, whose message boxes go to the GUI thread through `onGui`; without it they are shown on
    // the calling thread, which must then be the GUI thread.
    static int CheckForUpdate(ServiceClient& client, QWidget* parent = nullptr, OnGuiThread onGui = {},
                              Downloading downloading = {});
};
