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
    // Sends never overlap: an older answer applied after a newer one would undo it.
    if (sending_.exchange(true))
        return;
    // What has been seen until now; the GUI thread goes on recording cards meanwhile.
    auto [date, ids] = core_.LogSnapshot();
    executor_.Start(Executor::LogLane, [this, date = std::move(date), ids = std::move(ids)] {
        QByteArray answer;
        const int result = client_.SaveLearningLog(QByteArray::fromStdString(date), Content(ids), answer);
        // Only a date of the service's form is taken: anything else loses no card.
        const QByteArray trimmed = answer.trimmed();
        if (result == ServiceClient::ResultOk && IsDate(trimmed))
            core_.ConfirmLog(ids, trimmed.toStdString());
        sending_.store(false);
    });
}

bool LearningLog::IsDate(const QByteArray& answer) {
    if (answer.size() != 10)
        return false;
    for (int i = 0; i < 10; ++i) {
        const bool dash = i == 4 || i == 7;
        if (dash ? answer[i] != '-' : (answer[i] < '0' || answer[i] > '9'))
            return false;
    }
    return true;
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
