#include "engine/LearningLog.h"

#include "engine/EngineCore.h"
#include "engine/Executor.h"
#include "service/ServiceClient.h"

#include <QTimerEvent>

LearningLog::LearningLog(EngineCore& core, ServiceClient& client, Executor& executor, QObject* parent)
    : QObject(parent), core_(core), client_(client), executor_(executor) {}

void LearningLog::Restart() {
    core_.SetLogDate(std::string());
    Send();
    timer_.start(kPeriodMs, this);
}

void LearningLog::Stop() {
    timer_.stop();
}

void LearningLog::Send() {
    executor_.Start(Executor::LogLane, [this] {
        // Built from a copy: the GUI thread goes on recording cards meanwhile.
        const auto [date, ids] = core_.LogSnapshot();
        QByteArray answer;
        client_.SaveLearningLog(QByteArray::fromStdString(date), Content(ids), answer);
        if (!answer.isEmpty())
            core_.SetLogDate(answer.toStdString());
    });
}

QByteArray LearningLog::Content(const std::vector<uint32_t>& ids) {
    QByteArray content;
    for (uint32_t id : ids) {
        if (!content.isEmpty())
            content += ',';
        content += QByteArray::number(id);
    }
    return content;
}

void LearningLog::timerEvent(QTimerEvent* event) {
    if (event->timerId() == timer_.timerId())
        Send();
    else
        QObject::timerEvent(event);
}
