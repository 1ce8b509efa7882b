#include "source/SynHighlighterHashEntries.h"

#include "base/ErrorReport.h"

void TSynHashEntryList::Add(int hash, const QByteArray& keyword, int kind) {
    auto entry = std::make_unique<TSynHashEntry>(keyword, kind);
    std::unique_ptr<TSynHashEntry>* link = &buckets_[static_cast<size_t>(hash) & (BucketCount - 1)];
    // Walk the whole chain: a duplicate may sit behind the place where the new entry goes.
    std::unique_ptr<TSynHashEntry>* insertAt = nullptr;
    for (; *link; link = &(*link)->next_) {
        if ((*link)->keyword_.compare(keyword, Qt::CaseInsensitive) == 0)
            throw Error(QStringLiteral("Keyword \"%1\" already in list").arg(QString::fromLatin1(keyword)));
        if (!insertAt && (*link)->KeywordLen() > entry->KeywordLen())
            insertAt = link;
    }
    if (!insertAt)
        insertAt = link;
    entry->next_ = std::move(*insertAt);
    *insertAt = std::move(entry);
    ++count_;
}
