#include "app/CMainFrame.h"

#include "resources/ResourceIds.h"
#include "resources/StringTable.h"

CMainFrame::CMainFrame(QWidget* parent) : QWidget(parent) {
    setWindowTitle(StringTable::Load(Res::IDR_MAINFRAME));
    resize(400, 330);
}

void CMainFrame::ShowAndActivate() {
    show();
    raise();
    activateWindow();
}
