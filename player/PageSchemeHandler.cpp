#include "player/PageSchemeHandler.h"

#include "resources/ResourceIds.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QWebEngineUrlRequestJob>

static void EnsurePageResourcesRegistered() {
    // The page files live in a static library: register them explicitly, once.
    static const bool registered = [] {
        Q_INIT_RESOURCE(lexicarta_page);
        return true;
    }();
    (void)registered;
}

PageSchemeHandler::PageSchemeHandler(QObject* parent) : QWebEngineUrlSchemeHandler(parent) {
    EnsurePageResourcesRegistered();
}

bool PageSchemeHandler::Lookup(const QString& name, QByteArray* data, QByteArray* contentType) {
    static const QRegularExpression pattern(QStringLiteral("^(GIF/)?([0-9]{1,9})$"));
    const QRegularExpressionMatch match = pattern.match(name);
    if (!match.hasMatch())
        return false;
    const int id = match.captured(2).toInt();
    QString path;
    if (match.capturedLength(1) > 0) {
        path = QStringLiteral(":/GIF/%1").arg(id);
        *contentType = "image/gif";
    } else {
        path = QStringLiteral(":/page/%1").arg(id);
        switch (id) {
        case Res::IDR_PAGE_HTML:
            *contentType = "text/html; charset=utf-8";
            break;
        case Res::IDR_PAGE_STYLE:
            *contentType = "text/css; charset=utf-8";
            break;
        default:
            *contentType = "application/javascript; charset=utf-8";
            break;
        }
    }
    EnsurePageResourcesRegistered();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *data = file.readAll();
    return true;
}

void PageSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job) {
    if (job->requestUrl().scheme() != QLatin1String("res")) {
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
        return;
    }
    // Only this program's own resources: the path must be this executable's path.
    const QString prefix = QCoreApplication::applicationFilePath() + QLatin1Char('/');
    const QString path = job->requestUrl().path(QUrl::FullyDecoded);
    QByteArray data;
    QByteArray contentType;
    if (job->requestMethod() != "GET" || !path.startsWith(prefix) ||
        !Lookup(path.mid(prefix.size()), &data, &contentType)) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    auto* buffer = new QBuffer(job);
    buffer->setData(data);
    job->reply(contentType, buffer);
}
