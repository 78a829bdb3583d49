#pragma once

#include <QByteArray>
#include <QIcon>
#include <QPixmap>
#include <QString>

// The program's pictures by resource number. They are compiled into the executable under
// ":/<type>/<number>", with the types "bitmap", "GIF" and "icon" (numbers in ResourceIds.h). Bitmaps
// and animations also come drawn at twice the pixels, under ":/<type>/<number>@2x", for screens with
// a device pixel ratio of 2.
class Artwork {
  public:
    static QString Path(const QString& type, int id);
    // The raw bytes of a resource; empty when there is none.
    static QByteArray Data(const QString& type, int id);
    // The path of the version of a resource drawn for that device pixel ratio (the twice-as-large one
    // from a ratio of 1.5 on, where it exists), and the ratio it was drawn for.
    static QString PathFor(const QString& type, int id, qreal devicePixelRatio, int* drawnFor = nullptr);
    // A bitmap ("bitmap/<id>") for the screens' device pixel ratio, carrying the ratio it was drawn
    // for, so that its deviceIndependentSize() is the same on every screen; a null pixmap when there
    // is none.
    static QPixmap Bitmap(int id);
    static QPixmap Bitmap(int id, qreal devicePixelRatio);
    // An icon ("icon/<id>", with every size drawn for it); a null icon when there is none.
    static QIcon Icon(int id);
};
