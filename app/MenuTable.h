#pragma once
// The main window's menu bar as data: item names, captions, nesting and handlers.
#include <QList>
#include <QString>

namespace menutable {

enum class Handler { None, Reference, ActQK740X, QK620X, QK310X1, QK930X };

struct Item {
    const char* name;
    const char* caption; // "-" is a separator
    int depth;           // 0 menu bar, 1 its menu, 2 a submenu
    Handler handler;
};

// All items in display order, depth-first.
const QList<Item>& items();

// Gives a caption an access key not in `usedKeys` (the keys of its menu so far) and adds it there.
QString withAccessKey(const QString& caption, QString& usedKeys);

} // namespace menutable
