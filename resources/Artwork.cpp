#include "Artwork.h"

#include <QFile>

static void EnsureArtworkRegistered() {
    // The pictures live in a static library: register them explicitly, once.
    static const bool registered = [] {
        Q_INIT_RESOURCE(lexicarta_artwork);
        return true;
    }();
    (void)registered;
}

QString Artwork::Path(const QString& type, int id) {
    EnsureArtworkRegistered();
    return QStringLiteral(":/%1/%2").arg(type).arg(id);
}

QByteArray Artwork::Data(const QString& type, int id) {
    QFile file(Path(type, id));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QPixmap Artwork::Bitmap(int id) {
    QPixmap pixmap;
    pixmap.load(Path(QStringLiteral("bitmap"), id), "PNG");
    return pixmap;
}

QIcon Artwork::Icon(int id) {
    const QString path = Path(QStringLiteral("icon"), id);
    return QFile::exists(path) ? QIcon(path) : QIcon();
}
