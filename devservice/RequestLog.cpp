#include "devservice/RequestLog.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

void RequestLog::Add(Entry entry) {
    std::lock_guard lock(mutex_);
    entries_.push_back(std::move(entry));
    if (entries_.size() > kMaxEntries)
        entries_.pop_front();
}

void RequestLog::Clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
}

QByteArray RequestLog::ToJson() {
    std::lock_guard lock(mutex_);
    QJsonArray list;
    for (const Entry& e : entries_) {
        QJsonArray headers;
        for (const auto& [name, value] : e.headers)
            headers.append(QJsonArray{QString::fromLatin1(name.data(), qsizetype(name.size())),
                                      QString::fromLatin1(value.data(), qsizetype(value.size()))});
        QJsonObject o;
        o.insert(QStringLiteral("method"), QString::fromLatin1(e.method.c_str()));
        o.insert(QStringLiteral("target"), QString::fromLatin1(e.target.data(), qsizetype(e.target.size())));
        o.insert(QStringLiteral("headers"), headers);
        o.insert(QStringLiteral("body"),
                 QString::fromLatin1(QByteArray(e.body.data(), qsizetype(e.body.size())).toBase64()));
        list.append(o);
    }
    return QJsonDocument(list).toJson(QJsonDocument::Compact);
}
