#include "devservice/WebPages.h"

namespace {

QString esc(const QString& text) {
    return text.toHtmlEscaped();
}

QString nav(const ServiceStore::User& user) {
    return QStringLiteral("<p class=\"nav\"><b>%1</b>님 | <a href=\"/books\">단어장 목록</a> | "
                          "<a href=\"/library\">단어 라이브러리</a> | <a href=\"/forums\">커뮤니티</a></p>")
        .arg(esc(user.name));
}

} // namespace

QString WebPages::Page(const QString& title, const QString& bodyHtml) {
    return QStringLiteral("<!DOCTYPE html><html lang=\"ko\"><head><meta charset=\"utf-8\"><title>%1</title>"
                          "<style>body{font-family:sans-serif;margin:2em;color:#333}h1{font-size:1.4em}"
                          "table{border-collapse:collapse}td,th{border:1px solid #ccc;padding:4px 8px}"
                          ".nav{color:#777}</style></head><body><h1>%1</h1>%2"
                          "<p class=\"nav\">렉시카르타 개발용 서비스</p></body></html>")
        .arg(esc(title), bodyHtml);
}

QString WebPages::Help() {
    return Page(QStringLiteral("렉시카르타 데스크톱 도움말"),
                QStringLiteral("<p>로그인한 뒤 단어장을 골라 학습하세요. 카드는 몇 초마다 넘어갑니다.</p>"
                               "<p>개발용 서비스의 데모 계정: 아이디 <b>demo</b>, 비밀번호 <b>demo</b></p>"));
}

QString WebPages::Register() {
    return Page(QStringLiteral("렉시카르타 무료회원 가입"),
                QStringLiteral(
                    "<p>개발용 서비스에서는 가입을 받지 않습니다. 데모 계정 demo / demo 를 사용하세요.</p>"));
}

QString WebPages::FindIdPassword() {
    return Page(QStringLiteral("아이디/비밀번호 찾기"),
                QStringLiteral("<p>개발용 서비스의 데모 계정은 아이디 demo, 비밀번호 demo 입니다.</p>"));
}

QString WebPages::SignedOut() {
    return Page(QStringLiteral("로그인이 필요합니다"),
                QStringLiteral("<p>로그인 링크가 만료되었습니다. 프로그램에서 다시 열어 주세요.</p>"));
}

QString WebPages::Books(ServiceStore& store, const ServiceStore::User& user) {
    QString rows;
    for (const auto& book : store.Books(user.id)) {
        const auto words = store.Words(user.id, book.id);
        int marked = 0;
        for (const auto& w : words)
            marked += w.complete ? 1 : 0;
        rows +=
            QStringLiteral("<tr><td>%1</td><td><a href=\"/books/view/%1\">%2</a></td><td>%3 / %4</td></tr>")
                .arg(book.id)
                .arg(esc(book.title))
                .arg(marked)
                .arg(words.size());
    }
    return Page(QStringLiteral("단어장 목록"),
                nav(user) +
                    QStringLiteral("<table><tr><th>번호</th><th>제목</th><th>암기완료</th></tr>%1</table>")
                        .arg(rows));
}

QString WebPages::BookView(ServiceStore& store, const ServiceStore::User& user, int64_t book) {
    const auto info = store.Book(user.id, book);
    if (!info)
        return Page(QStringLiteral("단어장을 찾을 수 없습니다"), nav(user));
    QString rows;
    for (const auto& w : store.Words(user.id, book))
        rows +=
            QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td></tr>")
                .arg(esc(w.name), esc(w.mean), esc(w.example), w.complete ? QStringLiteral("✔") : QString());
    return Page(
        info->title,
        nav(user) +
            QStringLiteral("<table><tr><th>단어</th><th>뜻</th><th>예문</th><th>암기</th></tr>%1</table>")
                .arg(rows));
}

QString WebPages::Library(ServiceStore& store, const ServiceStore::User& user) {
    QString body = nav(user) + QStringLiteral("<h2>학습 기록</h2>");
    const auto log = store.LearningLog(user.id);
    if (log.empty())
        body += QStringLiteral("<p>아직 학습 기록이 없습니다.</p>");
    body += QStringLiteral("<ul>");
    for (const auto& [date, words] : log)
        body += QStringLiteral("<li>%1: 단어 %2개</li>").arg(esc(date)).arg(words.size());
    body += QStringLiteral("</ul><h2>암기완료 단어</h2><p>%1개</p>").arg(store.Marks(user.id).size());
    return Page(QStringLiteral("단어 라이브러리"), body);
}

QString WebPages::Forums(const ServiceStore::User& user) {
    return Page(QStringLiteral("렉시카르타 커뮤니티"),
                nav(user) + QStringLiteral("<p>개발용 서비스에는 게시판이 없습니다.</p>"));
}
