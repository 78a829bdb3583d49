#pragma once

#include "devservice/ServiceStore.h"

#include <QString>

// The small web pages of the reference service: the pages the program opens in a browser, and the
// signed-in pages a browser reaches through a one-time token.
class WebPages {
  public:
    static QString Page(const QString& title, const QString& bodyHtml);
    static QString Help();
    static QString Register();
    static QString FindIdPassword();
    static QString SignedOut();
    static QString Books(ServiceStore& store, const ServiceStore::User& user);
    static QString BookView(ServiceStore& store, const ServiceStore::User& user, int64_t book);
    static QString Library(ServiceStore& store, const ServiceStore::User& user);
    static QString Forums(const ServiceStore::User& user);
};
