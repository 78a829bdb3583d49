#pragma once

#include <QByteArray>
#include <QString>
#include <QWebEngineUrlSchemeHandler>

// Serves the card page and its files for "res://<executable path>/<number>" and
// "res://<executable path>/GIF/<number>". Anything else fails as not found; requests of any other scheme
// (the page's "app:" commands, which never get this far) are denied.
class PageSchemeHandler : public QWebEngineUrlSchemeHandler {
    Q_OBJECT

  public:
    explicit PageSchemeHandler(QObject* parent = nullptr);

    void requestStarted(QWebEngineUrlRequestJob* job) override;

    // The resource a path names (the part after the executable's path and "/", e.g. "312" or
    // "GIF/536"): its bytes and content type. False when there is no such resource.
    static bool Lookup(const QString& name, QByteArray* data, QByteArray* contentType);
};
