#pragma once

#include <QByteArray>
#include <QString>

// The pictures of the picture plug-in: a small SVG drawing per word, the same word always giving the
// same picture.
class PictureMaker {
  public:
    static QByteArray Svg(const QString& word);
};
