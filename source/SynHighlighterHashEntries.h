#pragma once
// The keyword table of a highlighter: 1024 buckets, each the head of a chain of entries ordered by keyword
// length, shortest first (entries of equal length keep the order they were added in).
#include <QByteArray>

#include <array>
#include <memory>

class TSynHashEntry {
public:
    TSynHashEntry(const QByteArray& keyword, int kind) : keyword_(keyword), kind_(kind) {}

    const QByteArray& Keyword() const { return keyword_; }
    int KeywordLen() const { return static_cast<int>(keyword_.size()); }
    int Kind() const { return kind_; }
    TSynHashEntry* Next() const { return next_.get(); }

private:
    friend class TSynHashEntryList;
    QByteArray keyword_;
    int kind_;
    std::unique_ptr<TSynHashEntry> next_;
};

class TSynHashEntryList {
public:
    static constexpr int BucketCount = 1024;

    // Adds an entry to its bucket's chain; raises Error "Keyword "%s" already in list" for a keyword already in
    // the chain (compared without regard to letter case).
    void Add(int hash, const QByteArray& keyword, int kind);

    const TSynHashEntry* bucket(int hash) const { return buckets_[static_cast<size_t>(hash) & (BucketCount - 1)].get(); }
    int count() const { return count_; }

private:
    std::array<std::unique_ptr<TSynHashEntry>, BucketCount> buckets_;
    int count_ = 0;
};
