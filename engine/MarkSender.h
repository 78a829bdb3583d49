#pragma once

#include <cstdint>

class EngineCore;
class Executor;
class ServiceClient;

// Sends a memorised mark to the service, one task on the mark lane for each. The task reads the
// loaded book's id when it runs; its outcome is ignored (nothing in the program reacts to it).
class MarkSender {
  public:
    MarkSender(EngineCore& core, ServiceClient& client, Executor& executor);

    void Send(uint32_t wordId);

  private:
    EngineCore& core_;
    ServiceClient& client_;
    Executor& executor_;
};
