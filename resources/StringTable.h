#pragma once

#include <QString>

// The program's texts by resource number; an unknown number gives an empty text.
class StringTable {
  public:
    static QString Load(int id);
};
