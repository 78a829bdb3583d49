#include "engine/MarkSender.h"

#include "engine/EngineCore.h"
#include "engine/Executor.h"
#include "service/ServiceClient.h"

MarkSender::MarkSender(EngineCore& core, ServiceClient& client, Executor& executor)
    : core_(core), client_(client), executor_(executor) {}

void MarkSender::Send(uint32_t wordId) {
    executor_.Start(Executor::MarkLane, [this, wordId] { client_.Complete(wordId, core_.BookId()); });
}
