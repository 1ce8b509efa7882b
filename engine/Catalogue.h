#pragma once
// Our own small connection and query layer over SQLCipher for the experiment catalogue.
// It reads an OLE DB style connection string (Data Source, Mode, Database Password), never creates a
// catalogue, and holds one exclusive lock from the first query until it is closed, so a second running copy
// (or any other program) cannot open the catalogue meanwhile.
#include "base/ErrorReport.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

struct sqlite3;

// Raised when another program (a running labguide) holds the catalogue's lock.
class CatalogueInUse : public Error {
public:
    using Error::Error;
};

class CatalogueConnection {
public:
    static const QString DefaultConnectionString;

    explicit CatalogueConnection(QString connectionString = DefaultConnectionString);
    ~CatalogueConnection();
    CatalogueConnection(const CatalogueConnection&) = delete;
    CatalogueConnection& operator=(const CatalogueConnection&) = delete;

    const QString& connectionString() const { return connectionString_; }
    // The data source as given ("\" is a folder separator) and as a local path.
    QString dataSource() const;
    QString localPath() const;
    bool exclusive() const;
    bool connected() const { return db_ != nullptr; }

    // Connects on first use; raises Error with a clear text when the catalogue cannot be opened.
    void open();
    void close();
    sqlite3* handle();

private:
    QString value(const QString& key) const;

    QString connectionString_;
    sqlite3* db_ = nullptr;
};

// A query as the engine builds one per operation: SQL text, named parameters, rows read in order.
class CatalogueQuery {
public:
    enum class ParamType { Integer, Text };

    explicit CatalogueQuery(CatalogueConnection& connection) : connection_(connection) {}

    void setSql(const QString& sql) { sql_ = sql; }
    void clearParameters() { params_.clear(); }
    void addParameter(const QString& name, ParamType type, const QVariant& value);

    // Runs the query; afterwards recordCount() is known and the cursor is on the first row.
    void open();
    int recordCount() const { return static_cast<int>(rows_.size()); }
    bool eof() const { return row_ >= rows_.size(); }
    void first() { row_ = 0; }
    void next() { ++row_; }
    // The current row's field read as text; raises Error for a field the result lacks.
    QString fieldAsString(const QString& name) const;

    // The text handed to SQLite: bare names that SQLite's dialect rejects (a table named 740X) are quoted.
    static QString adaptSql(const QString& sql);

private:
    struct Param {
        QString name;
        ParamType type;
        QVariant value;
    };
    CatalogueConnection& connection_;
    QString sql_;
    QList<Param> params_;
    QStringList columns_;
    std::vector<QStringList> rows_;
    size_t row_ = 0;
};
