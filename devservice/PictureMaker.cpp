#include "devservice/PictureMaker.h"

#include <QCryptographicHash>

QByteArray PictureMaker::Svg(const QString& word) {
    const QByteArray hash = QCryptographicHash::hash(word.toUtf8(), QCryptographicHash::Md5);
    auto byte = [&](int i) { return int(static_cast<unsigned char>(hash.at(i))); };
    const int hue = byte(0) * 360 / 256;
    const int hue2 = (hue + 150) % 360;
    const int cx = 60 + byte(1) % 120;
    const int cy = 40 + byte(2) % 60;
    const int r = 25 + byte(3) % 30;
    const QString initial = word.trimmed().left(1).toUpper().toHtmlEscaped();
    const QString label = word.trimmed().left(24).toHtmlEscaped();
    const QString svg =
        QStringLiteral(
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"240\" height=\"160\" viewBox=\"0 0 240 160\">"
            "<rect width=\"240\" height=\"160\" rx=\"12\" fill=\"hsl(%1,70%,88%)\"/>"
            "<circle cx=\"%3\" cy=\"%4\" r=\"%5\" fill=\"hsl(%2,60%,60%)\" opacity=\"0.8\"/>"
            "<rect x=\"%6\" y=\"%7\" width=\"70\" height=\"40\" rx=\"8\" fill=\"hsl(%1,55%,55%)\" "
            "opacity=\"0.7\"/>"
            "<text x=\"120\" y=\"95\" font-family=\"Georgia, serif\" font-size=\"64\" text-anchor=\"middle\""
            " fill=\"#333\">%8</text>"
            "<text x=\"120\" y=\"145\" font-family=\"sans-serif\" font-size=\"18\" text-anchor=\"middle\""
            " fill=\"#333\">%9</text></svg>")
            .arg(hue)
            .arg(hue2)
            .arg(cx)
            .arg(cy)
            .arg(r)
            .arg(140 - byte(4) % 60)
            .arg(20 + byte(5) % 40)
            .arg(initial, label);
    return svg.toUtf8();
}
