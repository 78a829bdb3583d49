#pragma once

#include <QString>

// The text a reader hears of a piece of card markup: tags dropped (a line break where a line or a
// block ends), the contents of style and script elements and comments left out, character references
// decoded, runs of white space made one blank as a page shows them. Loads nothing the markup names.
class MarkupText {
  public:
    static QString Plain(const QString& markup);
};
