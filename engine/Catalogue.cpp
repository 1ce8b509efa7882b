#include "engine/Catalogue.h"

#include "base/ErrorReport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlcipher/sqlite3.h>

const QString CatalogueConnection::DefaultConnectionString = QStringLiteral(
    "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=.\\QK740X.mdb;Mode=Share Deny Read|Share Deny Write;"
    "Persist Security Info=False;Jet OLEDB:Database Password=KRVEM");

CatalogueConnection::CatalogueConnection(QString connectionString) : connectionString_(std::move(connectionString)) {}

CatalogueConnection::~CatalogueConnection() { close(); }

QString CatalogueConnection::value(const QString& key) const {
    // Keys are case-insensitive; a value runs to the next ";" (the password is the last value), unless it is
    // in double quotes, as a path holding ";" must be ("" inside stands for one quote).
    const QString& s = connectionString_;
    qsizetype i = 0;
    while (i < s.size()) {
        const qsizetype eq = s.indexOf('=', i);
        const qsizetype semi = s.indexOf(';', i);
        if (eq < 0)
            break;
        if (semi >= 0 && semi < eq) { // a part without "="
            i = semi + 1;
            continue;
        }
        const QString name = s.mid(i, eq - i).trimmed();
        qsizetype v = eq + 1;
        while (v < s.size() && s[v] == ' ')
            ++v;
        QString val;
        if (v < s.size() && s[v] == '"') {
            for (++v; v < s.size(); ++v) {
                if (s[v] == '"') {
                    if (v + 1 < s.size() && s[v + 1] == '"') {
                        val += '"';
                        ++v;
                        continue;
                    }
                    ++v;
                    break;
                }
                val += s[v];
            }
            const qsizetype end = s.indexOf(';', v);
            i = end < 0 ? s.size() : end + 1;
        } else {
            const qsizetype end = s.indexOf(';', eq + 1);
            val = s.mid(eq + 1, end < 0 ? -1 : end - eq - 1);
            i = end < 0 ? s.size() : end + 1;
        }
        if (name.compare(key, Qt::CaseInsensitive) == 0)
            return val;
    }
    return {};
}

QString CatalogueConnection::dataSource() const { return value(QStringLiteral("Data Source")).trimmed(); }

QString CatalogueConnection::localPath() const {
    QString p = dataSource();
    p.replace('\\', '/');
    return p;
}

bool CatalogueConnection::exclusive() const {
    const QString mode = value(QStringLiteral("Mode"));
    return mode.contains(QStringLiteral("Share Deny Read"), Qt::CaseInsensitive) ||
           mode.contains(QStringLiteral("Share Exclusive"), Qt::CaseInsensitive);
}

static QString sqliteText(sqlite3* db) { return QString::fromUtf8(sqlite3_errmsg(db)); }

static bool exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

void CatalogueConnection::open() {
    if (db_)
        return;
    const QString path = localPath();
    const QString shown = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    const QFileInfo info(path);
    // A missing catalogue is an error: the layer never creates one.
    if (path.isEmpty() || !info.exists())
        throw Error(QStringLiteral("Could not find file '%1'.").arg(shown));
    if (!info.isFile())
        throw Error(QStringLiteral("'%1' is not a catalogue file.").arg(shown));

    sqlite3* db = nullptr;
    const QByteArray file = QFile::encodeName(path);
    int rc = sqlite3_open_v2(file.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        const QString why = db ? sqliteText(db) : QStringLiteral("out of memory");
        sqlite3_close(db);
        throw Error(QStringLiteral("Could not open '%1' (%2).").arg(shown, why));
    }
    auto fail = [&](const QString& text) {
        sqlite3_close(db);
        throw Error(text);
    };
    auto inUse = [&] {
        sqlite3_close(db);
        throw CatalogueInUse(QStringLiteral("Could not use '%1'; file already in use.").arg(shown));
    };
    const QByteArray key = value(QStringLiteral("Jet OLEDB:Database Password")).toUtf8();
    if (!key.isEmpty() && sqlite3_key(db, key.constData(), static_cast<int>(key.size())) != SQLITE_OK)
        fail(QStringLiteral("Could not open '%1' (%2).").arg(shown, sqliteText(db)));
    sqlite3_busy_timeout(db, 0);

    if (exclusive()) {
        // An exclusive transaction that stays open until the connection closes holds the file's exclusive
        // lock all along, so nobody else can read or write it; nothing is ever written, so closing rolls
        // back nothing and the file stays as it was.
        if (!exec(db, "BEGIN EXCLUSIVE")) {
            const int code = sqlite3_errcode(db);
            if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
                inUse();
            if (code == SQLITE_NOTADB)
                fail(QStringLiteral("Not a valid password, or not a catalogue: '%1' (%2).").arg(shown, sqliteText(db)));
            // A write-protected catalogue: a read transaction still keeps writers out.
            if (code != SQLITE_READONLY || !exec(db, "BEGIN"))
                fail(QStringLiteral("Could not open '%1' (%2).").arg(shown, sqliteText(db)));
        }
    }
    // The first real read checks the password.
    if (!exec(db, "SELECT count(*) FROM sqlite_master")) {
        const int code = sqlite3_errcode(db);
        if (code == SQLITE_NOTADB)
            fail(QStringLiteral("Not a valid password, or not a catalogue: '%1' (%2).").arg(shown, sqliteText(db)));
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
            inUse();
        fail(QStringLiteral("Could not open '%1' (%2).").arg(shown, sqliteText(db)));
    }
    db_ = db;
}

void CatalogueConnection::close() {
    if (db_) {
        if (!sqlite3_get_autocommit(db_))
            exec(db_, "ROLLBACK");
        sqlite3_close(db_);
        db_ = nullptr;
    }
}

sqlite3* CatalogueConnection::handle() {
    open();
    return db_;
}

void CatalogueQuery::addParameter(const QString& name, ParamType type, const QVariant& value) {
    params_.append({name, type, value});
}

static bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == '_'; }

QString CatalogueQuery::adaptSql(const QString& sql) {
    // Quote every bare word that starts with a digit but is not a number (740X); leave literals, quoted names
    // and parameters alone.
    QString out;
    out.reserve(sql.size() + 8);
    const qsizetype n = sql.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = sql[i];
        if (c == '\'' || c == '"' || c == '[' || c == '`') {
            const QChar close = c == '[' ? QChar(']') : c;
            qsizetype j = i + 1;
            while (j < n && sql[j] != close)
                ++j;
            out += sql.mid(i, j + 1 - i);
            i = j + 1;
            continue;
        }
        if (isWordChar(c)) {
            qsizetype j = i;
            while (j < n && isWordChar(sql[j]))
                ++j;
            const QString word = sql.mid(i, j - i);
            const bool afterColon = i > 0 && sql[i - 1] == ':';
            bool allDigits = true;
            for (QChar w : word)
                allDigits = allDigits && w.isDigit();
            if (!afterColon && word[0].isDigit() && !allDigits)
                out += '"' + word + '"';
            else
                out += word;
            i = j;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

void CatalogueQuery::open() {
    sqlite3* db = connection_.handle();
    rows_.clear();
    columns_.clear();
    row_ = 0;
    const QByteArray sql = adaptSql(sql_).toUtf8();
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), static_cast<int>(sql.size()), &stmt, nullptr) != SQLITE_OK)
        throw Error(sqliteText(db));
    struct Finalizer {
        sqlite3_stmt* s;
        ~Finalizer() { sqlite3_finalize(s); }
    } finalizer{stmt};

    for (const Param& p : params_) {
        const QByteArray key = ":" + p.name.toUtf8();
        const int index = sqlite3_bind_parameter_index(stmt, key.constData());
        if (index == 0)
            continue; // a parameter the text does not use
        int rc;
        if (p.type == ParamType::Integer) {
            rc = sqlite3_bind_int64(stmt, index, p.value.toLongLong());
        } else {
            const QByteArray text = p.value.toString().toUtf8();
            rc = sqlite3_bind_text(stmt, index, text.constData(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        }
        if (rc != SQLITE_OK)
            throw Error(sqliteText(db));
    }
    // A parameter the text names but nobody supplied is an error, as in the data-access layer.
    for (int i = 1, count = sqlite3_bind_parameter_count(stmt); i <= count; ++i) {
        const QString pname = QString::fromUtf8(sqlite3_bind_parameter_name(stmt, i)).mid(1);
        bool given = false;
        for (const Param& p : params_)
            given = given || p.name == pname;
        if (!given)
            throw Error(QStringLiteral("Parameter %1 has no default value.").arg(pname));
    }

    const int columnCount = sqlite3_column_count(stmt);
    for (int c = 0; c < columnCount; ++c)
        columns_ << QString::fromUtf8(sqlite3_column_name(stmt, c));
    for (;;) {
        const int rc = sqlite3_step(stmt);
        if (rc == SQLITE_DONE)
            break;
        if (rc != SQLITE_ROW)
            throw Error(sqliteText(db));
        QStringList row;
        row.reserve(columnCount);
        for (int c = 0; c < columnCount; ++c) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
            row << (text ? QString::fromUtf8(text, sqlite3_column_bytes(stmt, c)) : QString());
        }
        rows_.push_back(std::move(row));
    }
}

QString CatalogueQuery::fieldAsString(const QString& name) const {
    const qsizetype column = columns_.indexOf(name);
    if (column < 0)
        throw Error(QStringLiteral("Item cannot be found in the collection corresponding to the requested name or ordinal."));
    if (eof())
        throw Error(QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. "
                                   "Requested operation requires a current record."));
    return rows_[row_][column];
}
