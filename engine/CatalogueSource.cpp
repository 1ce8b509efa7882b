#include "engine/CatalogueSource.h"

#include "base/ErrorReport.h"
#include "base/ReplaceFile.h"
#include "engine/Catalogue.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <sqlcipher/sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace cataloguesource {

const QString TableName = QStringLiteral("740X");
const QString DefaultPassword = QStringLiteral("KRVEM");

const QStringList& columns() {
    static const QStringList list = {
        QStringLiteral("实验名称"), QStringLiteral("CPU类型"),  QStringLiteral("实验程序"), QStringLiteral("入口地址"),
        QStringLiteral("实验电路"), QStringLiteral("实验框图"), QStringLiteral("实验接线"), QStringLiteral("实验目的"),
        QStringLiteral("实验要求"), QStringLiteral("实验说明")};
    return list;
}

static QStringList textValues(const CatalogueRow& r) {
    return {r.name, QString(), r.program, r.entry, r.circuit, r.flowChart, r.wiring, r.purpose, r.requirement,
            r.description};
}

static void setText(CatalogueRow& r, int column, const QString& v) {
    QString* fields[] = {&r.name,    nullptr,      &r.program, &r.entry,       &r.circuit,
                         &r.flowChart, &r.wiring, &r.purpose, &r.requirement, &r.description};
    if (fields[column])
        *fields[column] = v;
}

// Line and column (from 1, the column in characters) of a byte offset into UTF-8 text.
static std::pair<int, int> lineAndColumn(const QByteArray& text, qsizetype offset) {
    offset = std::clamp<qsizetype>(offset, 0, text.size());
    const qsizetype lineStart = text.lastIndexOf('\n', offset - 1) + 1;
    const int line = static_cast<int>(QByteArrayView(text).first(lineStart).count('\n')) + 1;
    int column = 1;
    for (qsizetype i = lineStart; i < offset; ++i)
        column += (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80; // continuation bytes add nothing
    return {line, column};
}

CatalogueRow parseRow(const QByteArray& json) {
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &err);
    if (err.error != QJsonParseError::NoError) {
        const auto [line, column] = lineAndColumn(json, err.offset);
        throw Error(QStringLiteral("not valid JSON at line %1, column %2: %3").arg(line).arg(column).arg(err.errorString()));
    }
    if (!doc.isObject())
        throw Error(QStringLiteral("not a JSON object"));
    const QJsonObject o = doc.object();
    CatalogueRow row;
    const QStringList& cols = columns();
    for (int c = 0; c < cols.size(); ++c) {
        const QJsonValue v = o.value(cols[c]);
        if (v.isUndefined())
            throw Error(QStringLiteral("the column %1 is missing").arg(cols[c]));
        if (c == 1) {
            if (!v.isDouble() || v.toDouble() != double(v.toInt()) || v.toInt() < 0 || v.toInt() > 255)
                throw Error(QStringLiteral("%1 must be a whole number from 0 to 255").arg(cols[c]));
            row.cpuType = v.toInt();
        } else {
            if (!v.isString())
                throw Error(QStringLiteral("%1 must be a text").arg(cols[c]));
            setText(row, c, v.toString());
        }
    }
    for (auto it = o.begin(); it != o.end(); ++it)
        if (!cols.contains(it.key()))
            throw Error(QStringLiteral("unknown column %1").arg(it.key()));
    return row;
}

static QByteArray jsonString(const QString& s) {
    QByteArray out = "\"";
    for (const char ch : s.toUtf8()) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20)
                out += QByteArray("\\u00") + QByteArray::number(c, 16).rightJustified(2, '0');
            else
                out += ch;
        }
    }
    return out + "\"";
}

QByteArray formatRow(const CatalogueRow& row) {
    const QStringList& cols = columns();
    const QStringList values = textValues(row);
    QByteArray out = "{\n";
    for (int c = 0; c < cols.size(); ++c) {
        out += "  " + jsonString(cols[c]) + ": ";
        out += c == 1 ? QByteArray::number(row.cpuType) : jsonString(values[c]);
        out += c + 1 < cols.size() ? ",\n" : "\n";
    }
    return out + "}\n";
}

QStringList sourceFiles(const QString& folder) {
    QStringList files;
    // Walked from the absolute path: QDir::relativeFilePath returns a relative path unchanged, which would
    // put the folder in front of every name.
    const QDir base(QDir(folder).absolutePath());
    QDirIterator it(base.path(), {QStringLiteral("*.json")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << base.relativeFilePath(it.next());
    files.sort();
    return files;
}

const QStringList& typeNames() {
    static const QStringList names{QStringLiteral("51"), QStringLiteral("88"), QStringLiteral("96"),
                                   QStringLiteral("PCI")};
    return names;
}

QString typeName(int cpuType) {
    return cpuType >= 1 && cpuType <= typeNames().size() ? typeNames()[cpuType - 1]
                                                         : QStringLiteral("type%1").arg(cpuType);
}

QString sourceFolder(int cpuType) {
    // PCI experiments have no program of their own.
    return cpuType >= 1 && cpuType <= 3 ? QStringLiteral("asm/%1/").arg(typeNames()[cpuType - 1]) : QString();
}

QString exportName(int cpuType, int indexInType) {
    return typeName(cpuType) + "/" + QString::number(indexInType + 1).rightJustified(3, '0') + ".json";
}

namespace {
struct Db {
    sqlite3* db = nullptr;
    QString target;
    ~Db() { sqlite3_close(db); }
    // A full disk is told as such, so that callers can say it in their own words.
    [[noreturn]] void fail(const char* msg = nullptr) {
        const int code = db ? sqlite3_errcode(db) : SQLITE_CANTOPEN;
        if (code == SQLITE_FULL)
            replacefile::raise(QStringLiteral("cannot write %1").arg(target), ENOSPC);
        throw Error(QStringLiteral("cannot write %1: %2").arg(target, QString::fromUtf8(msg ? msg : sqlite3_errmsg(db))));
    }
    void exec(const QByteArray& sql) {
        char* msg = nullptr;
        if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, &msg) != SQLITE_OK) {
            const QByteArray text = msg ? QByteArray(msg) : QByteArray();
            sqlite3_free(msg);
            fail(text.isEmpty() ? nullptr : text.constData());
        }
    }
};
QByteArray quoted(const QString& name) { return "\"" + name.toUtf8() + "\""; }
} // namespace

void writeCatalogue(const QString& path, const QList<CatalogueRow>& rows, const QString& password,
                    const QString& omitColumn) {
    // The database is written into an empty scratch file beside the catalogue, which replaces it at the end.
    replacefile::ScratchFile scratch(path);
    {
        Db d;
        d.target = path;
        const QByteArray file = QFile::encodeName(scratch.path());
        if (sqlite3_open_v2(file.constData(), &d.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
            d.fail();
        const QByteArray key = password.toUtf8();
        if (!key.isEmpty())
            sqlite3_key(d.db, key.constData(), static_cast<int>(key.size()));
        QStringList cols = columns();
        cols.removeAll(omitColumn);
        QByteArray create = "CREATE TABLE " + quoted(TableName) + " (";
        for (int c = 0; c < cols.size(); ++c)
            create += (c ? ", " : "") + quoted(cols[c]) + (cols[c] == columns()[1] ? " INTEGER" : " TEXT");
        d.exec(create + ")");
        d.exec("BEGIN");
        QByteArray insert = "INSERT INTO " + quoted(TableName) + " (";
        for (int c = 0; c < cols.size(); ++c)
            insert += (c ? ", " : "") + quoted(cols[c]);
        insert += ") VALUES (";
        for (int c = 0; c < cols.size(); ++c)
            insert += c ? ", ?" : "?";
        insert += ")";
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(d.db, insert.constData(), -1, &stmt, nullptr) != SQLITE_OK)
            d.fail();
        for (const CatalogueRow& r : rows) {
            const QStringList values = textValues(r);
            int bind = 1;
            for (int c = 0; c < columns().size(); ++c) {
                if (columns()[c] == omitColumn)
                    continue;
                if (c == 1) {
                    sqlite3_bind_int(stmt, bind++, r.cpuType);
                } else {
                    const QByteArray v = values[c].toUtf8();
                    sqlite3_bind_text(stmt, bind++, v.constData(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
                }
            }
            if (sqlite3_step(stmt) != SQLITE_DONE) {
                sqlite3_finalize(stmt);
                d.fail();
            }
            sqlite3_reset(stmt);
        }
        sqlite3_finalize(stmt);
        d.exec("COMMIT");
    }
    // rename(2) replaces the old catalogue in one step; removing it first would lose it when the rename fails.
    scratch.commit();
}

QString connectionString(const QString& path, const QString& password, bool exclusive) {
    const QString cs = CatalogueConnection::DefaultConnectionString;
    QString quotedPath = path;
    quotedPath.replace('"', QStringLiteral("\"\""));
    return cs.left(cs.indexOf(QStringLiteral("Data Source="))) + QStringLiteral("Data Source=\"") + quotedPath + '"' +
           (exclusive ? QStringLiteral(";Mode=Share Deny Read|Share Deny Write") : QStringLiteral(";Mode=Share Deny Write")) +
           QStringLiteral(";Jet OLEDB:Database Password=") + password;
}

QList<CatalogueRow> readCatalogue(const QString& path, const QString& password) {
    CatalogueConnection connection(connectionString(path, password));
    return readCatalogue(connection);
}

QList<CatalogueRow> readCatalogue(CatalogueConnection& connection) {
    CatalogueQuery q(connection);
    q.setSql(QStringLiteral("select * from 740X order by rowid"));
    q.open();
    QList<CatalogueRow> rows;
    const QStringList& cols = columns();
    for (q.first(); !q.eof(); q.next()) {
        CatalogueRow r;
        for (int c = 0; c < cols.size(); ++c) {
            if (c == 1)
                r.cpuType = q.fieldAsString(cols[c]).toInt();
            else
                setText(r, c, q.fieldAsString(cols[c]));
        }
        rows << r;
    }
    return rows;
}

} // namespace cataloguesource
