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
    case Res::IDS_PROGRAM_NOTICE:
        // Paragraphs separated by blank lines, with carriage return and line feed.
        return QStringLiteral(
            "렉시카르타 데스크톱 프로그램에 대한 모든 권리는 렉시카르타에 있습니다. 이 프로그램은 저작권법과 "
            "관련 국제 조약의 보호를 받습니다.\r\n\r\n"
            "개인, 기업, 학교, 공공기관 등 누구나 이 프로그램을 자유롭게 설치하여 사용할 수 있습니다.\r\n\r\n"
            "법률이 허용하는 범위를 넘어 이 프로그램을 수정, 변경하거나 역설계, 역컴파일, 분해할 수 "
            "없습니다.\r\n\r\n"
            "렉시카르타의 허락 없이 이 프로그램을 상업적인 목적으로 사용할 수 없습니다.\r\n\r\n"
            "이 프로그램은 렉시카르타가 배포하는 설치 파일을 변경하지 않은 상태 그대로만 재배포할 수 "
            "있습니다.\r\n\r\n"
            "[설치 프로그램의 라이선스]\r\n"
            "이 프로그램의 설치 파일은 공개 라이선스로 배포되는 설치 프로그램 제작 도구로 만들어졌습니다. 그 "
            "도구에 대한 권리는 해당 저작권자에게 있으며, 도구로 만든 설치 파일의 사용과 배포는 그 "
            "라이선스의 "
            "조건을 따릅니다.\r\n\r\n"
            "[홈페이지]\r\n"
            "렉시카르타 홈페이지에서 새로운 소식과 도움말을 볼 수 있습니다.\r\n"
            "http://www.lexicarta.example\r\n\r\n"
            "[문의]\r\n"
            "프로그램의 사용이나 재배포에 대하여 궁금한 점은 아래 주소로 보내 주십시오.\r\n"
            "전자우편: help@lexicarta.example");
    default:
        return QString();
    }
}
