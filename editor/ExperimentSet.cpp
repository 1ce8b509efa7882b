#include "editor/ExperimentSet.h"

#include "base/ErrorReport.h"
#include "base/ReplaceFile.h"
#include "engine/Catalogue.h"
#include "engine/FieldCapacity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

#include <memory>

namespace editor {

namespace {

QString who(const CatalogueRow& r) {
    return QStringLiteral("[%1] %2：").arg(cataloguesource::typeName(r.cpuType), r.name);
}

// An exclusive connection to the catalogue: held while reading or replacing it, so labguide cannot have it
// open meanwhile (and we learn when it does).
std::unique_ptr<CatalogueConnection> lockCatalogue(const QString& path) {
    auto lock = std::make_unique<CatalogueConnection>(
        cataloguesource::connectionString(path, cataloguesource::DefaultPassword, true));
    try {
        lock->open();
    } catch (const CatalogueInUse&) {
        throw CatalogueInUse(inUseText());
    }
    return lock;
}

int rowsOfNameBefore(const CatalogueRow& r, int before, const QList<CatalogueRow>& rows) {
    int n = 0;
    for (int j = 0; j < before; ++j)
        n += rows[j].cpuType == r.cpuType && rows[j].name == r.name;
    return n;
}

} // namespace

QString inUseText() {
    return QStringLiteral("实验演示向导正在使用此目录，请先关闭");
}

ExperimentSet ExperimentSet::open(const QString& path) {
    if (!QFileInfo(path).isFile())
        throw Error(QStringLiteral("找不到实验目录 %1").arg(QDir::toNativeSeparators(path)));
    ExperimentSet set;
    set.path_ = QFileInfo(path).absoluteFilePath();
    try {
        auto lock = lockCatalogue(set.path_);
        set.rows = cataloguesource::readCatalogue(*lock);
    } catch (const CatalogueInUse&) {
        throw;
    } catch (const std::exception& e) {
        // The catalogue layer words its errors as labguide shows them; the teacher reads the cause in
        // Chinese first, that wording after it.
        throw Error(QStringLiteral("不能打开实验目录 %1：它不是实验目录、已损坏或不能读取。\n详细信息：%2")
                        .arg(QDir::toNativeSeparators(set.path_), QString::fromStdString(e.what())));
    }
    return set;
}

QString ExperimentSet::workingFolder() const {
    return QFileInfo(path_).absolutePath() + '/';
}

QList<int> ExperimentSet::rowsOfType(int cpuType) const {
    QList<int> found;
    for (int i = 0; i < rows.size(); ++i)
        if (rows[i].cpuType == cpuType)
            found << i;
    return found;
}

bool ExperimentSet::nameTaken(int cpuType, const QString& name, int except) const {
    for (int i = 0; i < rows.size(); ++i)
        if (i != except && rows[i].cpuType == cpuType && rows[i].name == name)
            return true;
    return false;
}

QString ExperimentSet::freeName(int cpuType, const QString& base) const {
    QString name = base;
    for (int n = 2; nameTaken(cpuType, name); ++n)
        name = QStringLiteral("%1 (%2)").arg(base).arg(n);
    return name;
}

QStringList ExperimentSet::saveBlockers() const {
    QStringList problems;
    for (int i = 0; i < rows.size(); ++i) {
        const CatalogueRow& r = rows[i];
        const int wiring = cataloguesource::gbkBytes(r.wiring);
        // The program keeps 255 bytes of the wiring: the steps past them would be lost without a word.
        if (wiring > 255)
            problems << who(r) + QStringLiteral("实验接线 %1 字节，超过 255 字节").arg(wiring);
        if (r.name.trimmed().isEmpty())
            problems << who(r) + QStringLiteral("实验名称为空");
        // What labguide shows is what the handout prints: a text past its field is not stored cut.
        for (const cataloguesource::FieldCapacity& c : cataloguesource::fieldCapacities()) {
            if (c.field == &CatalogueRow::wiring)
                continue;
            const int n = cataloguesource::gbkBytes(r.*c.field);
            if (n > c.bytes)
                problems << who(r) + QStringLiteral("%1 %2 字节，超过 %3 字节")
                                         .arg(QString::fromUtf8(c.column))
                                         .arg(n)
                                         .arg(c.bytes);
        }
    }
    return problems;
}

QStringList ExperimentSet::saveWarnings() const {
    QStringList warnings;
    for (int i = 0; i < rows.size(); ++i) {
        const CatalogueRow& r = rows[i];
        // The editor keeps names unique; a catalogue may come with duplicates (labguide warns and takes the
        // last).
        if (nameTaken(r.cpuType, r.name, i) && rowsOfNameBefore(r, i, rows) == 0)
            warnings << who(r) + QStringLiteral("实验名称有重复");
    }
    return warnings;
}

void ExperimentSet::save() const {
    if (const QStringList blockers = saveBlockers(); !blockers.isEmpty())
        throw Error(QStringLiteral("不能保存：\n") + blockers.join('\n'));
    std::unique_ptr<CatalogueConnection> lock;
    if (QFileInfo::exists(path_)) {
        lock = lockCatalogue(path_);
        // The previous catalogue stays as the backup, placed over the old backup in one rename.
        replacefile::ScratchFile bak(path_ + QStringLiteral(".bak"));
        bak.copyFrom(path_);
        bak.commit();
    }
    cataloguesource::writeCatalogue(path_, rows);
}

} // namespace editor
