#pragma once

class QWidget;
class ServiceClient;

// The update check with its question and failure message as message boxes over `parent`.
class UpdatePrompt {
  public:
    // 1: no newer version; 0: the installer was started (close the program); UpdateCheck::Declined or
    // UpdateCheck::Failed (negative) otherwise. Blocks while it talks to the service.
    static int CheckForUpdate(ServiceClient& client, QWidget* parent = nullptr);
};
