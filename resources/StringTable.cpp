#include "resources/StringTable.h"

#include "resources/ResourceIds.h"

QString StringTable::Load(int id) {
    switch (id) {
    case Res::IDR_MAINFRAME:
        return QStringLiteral("렉시카르타 데스크톱");
    case Res::AFX_IDS_APP_TITLE:
        return QStringLiteral("Lexicarta Desktop");
    case Res::IDS_OLE_INIT_FAILED:
        return QStringLiteral("OLE를 초기화할 수 없습니다. OLE 라이브러리 버전이 올바른지 확인하십시오.");
    default:
        return QString();
    }
}
