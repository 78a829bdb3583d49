#include "Artwork.h"

#include <QFile>
#include <QGuiApplication>

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

QString Artwork::PathFor(const QString& type, int id, qreal devicePixelRatio, int* drawnFor) {
    const QString path = Path(type, id);
    int ratio = 1;
    // Between the two sets the nearer one is sharper: 1.25 looks best scaled up from 1x, 1.5 and more
    // scaled down from 2x.
    if (devicePixelRatio >= 1.5 && QFile::exists(path + QStringLiteral("@2x")))
        ratio = 2;
    if (drawnFor != nullptr)
        *drawnFor = ratio;
    return ratio == 1 ? path : path + QStringLiteral("@2x");
}

QPixmap Artwork::Bitmap(int id) {
    return Bitmap(id, qGuiApp != nullptr ? qGuiApp->devicePixelRatio() : 1.0);
}

QPixmap Artwork::Bitmap(int id, qreal devicePixelRatio) {
    int ratio = 1;
    const QString path = PathFor(QStringLiteral("bitmap"), id, devicePixelRatio, &ratio);
    QPixmap pixmap;
    if (pixmap.load(path, "PNG"))
        pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

QIcon Artwork::Icon(int id) {
    const QString path = Path(QStringLiteral("icon"), id);
    if (!QFile::exists(path))
        return QIcon();
    QIcon icon(path);
    // The smaller sizes are drawn for their size, sharper than the large one scaled down.
    for (int size : {16, 22, 24, 32, 48, 64, 128}) {
        const QString sized = path + QStringLiteral("-%1").arg(size);
        if (QFile::exists(sized))
            icon.addFile(sized, QSize(size, size));
    }
    return icon;
}
