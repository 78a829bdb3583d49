#include "signin/UpdatePrompt.h"

#include "platform/MessageBox.h"
#include "platform/StartupTrace.h"
#include "service/UpdateCheck.h"

#include <utility>

int UpdatePrompt::CheckForUpdate(ServiceClient& client, QWidget* parent, OnGuiThread onGui,
                                 Downloading downloading) {
    if (!onGui)
        onGui = [](const std::function<bool()>& question) { return question(); };
    UpdateCheck::Prompts prompts;
    prompts.confirmUpdate = [parent, onGui] {
        return onGui([parent] {
            return MessageBox::Show(
                       parent,
                       QStringLiteral(
                           "렉시카르타 데스크톱 새로운 버전이 존재합니다.\n업데이트를 하시겠습니까?"),
                       MessageBox::YesNo, MessageBox::Information) == MessageBox::AnswerYes;
        });
    };
    prompts.reportFailure = [parent, onGui] {
        onGui([parent] {
            MessageBox::Show(parent, QStringLiteral("업데이트가 실패하였습니다."), MessageBox::Ok,
                             MessageBox::Error);
            return true;
        });
    };
    prompts.downloading = std::move(downloading);
    const int result = UpdateCheck::Run(client, prompts);
    StartupTrace::Mark("update-checked");
    return result;
}
