#include "signin/UpdatePrompt.h"

#include "platform/MessageBox.h"
#include "platform/StartupTrace.h"
#include "service/UpdateCheck.h"

int UpdatePrompt::CheckForUpdate(ServiceClient& client, QWidget* parent) {
    UpdateCheck::Prompts prompts;
    prompts.confirmUpdate = [parent] {
        return MessageBox::Show(
                   parent,
                   QStringLiteral("렉시카르타 데스크톱 새로운 버전이 존재합니다.\n업데이트를 하시겠습니까?"),
                   MessageBox::YesNo, MessageBox::Information) == MessageBox::AnswerYes;
    };
    prompts.reportFailure = [parent] {
        MessageBox::Show(parent, QStringLiteral("업데이트가 실패하였습니다."), MessageBox::Ok,
                         MessageBox::Error);
    };
    const int result = UpdateCheck::Run(client, prompts);
    StartupTrace::Mark("update-checked");
    return result;
}
