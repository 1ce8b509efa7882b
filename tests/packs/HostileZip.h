#pragma once
// Zip files made the way a careless or hostile tool might make them, for the pack reader's tests.
#include "engine/CatalogueSource.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace hostilezip {

struct Entry {
    Entry(QString n, QByteArray d, std::optional<unsigned> mode = std::nullopt, bool stored = false)
        : name(std::move(n)), data(std::move(d)), unixMode(mode), store(stored) {}
    QString name;
    QByteArray data;
    std::optional<unsigned> unixMode; // the external attributes' file type and permissions
    bool store = false;               // no compression
};

// A zip written by libzip with these entries in order.
QByteArray make(const QList<Entry>& entries);
// A sound pack's manifest for row entries, and a manifest of another version.
QByteArray manifest(const QStringList& rowEntries, int version = 1);
// A sound pack with one experiment naming pic/c.jpg, and that picture.
QList<Entry> soundEntries();
// Replaces every occurrence of `from` by `to` (the same length): names in both headers of an entry.
QByteArray patched(QByteArray zip, const QByteArray& from, const QByteArray& to);
// Sets the uncompressed size of the first entry in its local and central headers (both a stored entry's).
QByteArray withDeclaredSize(QByteArray zip, quint32 size);

} // namespace hostilezip
