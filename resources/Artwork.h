#pragma once

#include <QByteArray>
#include <QIcon>
#include <QPixmap>
#include <QString>

// The program's pictures by resource number. They are compiled into the executable under
// ":/<type>/<number>", with the types "bitmap", "GIF" and "icon" (numbers in ResourceIds.h).
class Artwork {
  public:
    static QString Path(const QString& type, int id);
    // The raw bytes of a resource; empty when there is none.
    static QByteArray Data(const QString& type, int id);
    // A bitmap ("bitmap/<id>"); a null pixmap when there is none.
    static QPixmap Bitmap(int id);
    // An icon ("icon/<id>"); a null icon when there is none.
    static QIcon Icon(int id);
};
