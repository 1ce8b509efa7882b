#include "engine/linksheet.h"

#include "base/ErrorReport.h"
#include "base/Gbk.h"
#include "base/ContentFolder.h"
#include "engine/Catalogue.h"

#include <QPointer>
#include <QComboBox>
#include <QMessageBox>

TExperimentRecord ExperimentRecord;
QByteArray Description;
QList<QByteArray>* WiringSteps = nullptr;
int32_t StepIndex = -1;
int32_t LastStep = -1;

namespace {

CatalogueConnection* g_catalogue = nullptr;
SourceView* g_sourceView = nullptr;

QPointer<QWidget>& warningOwner() {
    static QPointer<QWidget> owner;
    return owner;
}

void defaultWarningBox(const QString& text, const QString& caption) {
    // Owned by the main window whatever window is active (a viewer, another program's window).
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok, warningOwner().data());
    box.exec();
}

engine::WarningBox& warningBox() {
    static engine::WarningBox box = defaultWarningBox;
    return box;
}

CatalogueConnection& connection() {
    if (!g_catalogue)
        throw Error(QStringLiteral("The experiment catalogue is not available."));
    return *g_catalogue;
}

const QString kFillSql = QStringLiteral("select * from 740X where CPU类型=:CPU");
const QString kLoadSql = QStringLiteral("select * from 740X where CPU类型=:CPU and  实验名称=:name");

} // namespace

namespace engine {

void setCatalogue(CatalogueConnection* c) { g_catalogue = c; }
CatalogueConnection* catalogue() { return g_catalogue; }
void setSourceView(SourceView* view) { g_sourceView = view; }
void setWarningOwner(QWidget* owner) { warningOwner() = owner; }
void setWarningBox(WarningBox box) { warningBox() = box ? std::move(box) : WarningBox(defaultWarningBox); }

void CreateWiringSteps() {
    delete WiringSteps;
    WiringSteps = new QList<QByteArray>();
}

void DestroyWiringSteps() {
    delete WiringSteps;
    WiringSteps = nullptr;
}

} // namespace engine

void ResetExperiment() {
    ExperimentRecord = TExperimentRecord{};
    StepIndex = -1;
    LastStep = -1;
}

void FillExperimentList(uint8_t cpuType, QComboBox* list) {
    CatalogueQuery query(connection());
    query.setSql(kFillSql);
    query.clearParameters();
    query.addParameter(QStringLiteral("CPU"), CatalogueQuery::ParamType::Integer, int(cpuType));
    query.open();
    // The list is emptied only once the query has opened: a failing catalogue leaves it as it was.
    list->clear();
    QStringList names;
    names.reserve(query.recordCount());
    for (query.first(); !query.eof(); query.next())
        names << query.fieldAsString(QStringLiteral("实验名称"));
    list->addItems(names);
    // A filled list starts with no experiment chosen (the combo box would pick its first item itself).
    list->setCurrentIndex(-1);
}

static void copyField(const CatalogueQuery& query, const char* column, auto& field) {
    field.assign(gbk::encode(query.fieldAsString(QString::fromUtf8(column))));
}

void LoadExperiment(const QString& name, uint8_t cpuType) {
    CatalogueQuery query(connection());
    query.setSql(kLoadSql);
    query.clearParameters();
    query.addParameter(QStringLiteral("CPU"), CatalogueQuery::ParamType::Integer, int(cpuType));
    query.addParameter(QStringLiteral("name"), CatalogueQuery::ParamType::Text, name);
    query.open();
    if (query.recordCount() > 1)
        warningBox()(QStringLiteral("实验名称有重复"), QStringLiteral("提示"));

    TExperimentRecord& r = ExperimentRecord;
    for (query.first(); !query.eof(); query.next()) {
        copyField(query, "实验名称", r.ExperimentName);
        copyField(query, "实验程序", r.ProgramFile);
        copyField(query, "入口地址", r.EntryAddress);
        copyField(query, "实验电路", r.CircuitPicture);
        copyField(query, "实验框图", r.FlowChartPicture);
        copyField(query, "实验接线", r.WiringText);
        copyField(query, "实验目的", r.Purpose);
        copyField(query, "实验要求", r.Requirement);
        Description = gbk::encode(query.fieldAsString(QStringLiteral("实验说明")));

        if (g_sourceView)
            g_sourceView->clear();
        QString folder;
        switch (r.CpuType) {
        case Cpu51:
            folder = QStringLiteral("asm\\51\\");
            if (g_sourceView)
                g_sourceView->setHighlighter(AsmHighlighter::Asm51);
            break;
        case Cpu88:
            folder = QStringLiteral("asm\\88\\");
            if (g_sourceView)
                g_sourceView->setHighlighter(AsmHighlighter::Asm88);
            break;
        case Cpu96:
            folder = QStringLiteral("asm\\96\\");
            if (g_sourceView)
                g_sourceView->setHighlighter(AsmHighlighter::Asm96);
            break;
        default:
            break;
        }
        if (!folder.isEmpty() && !r.ProgramFile.isEmpty()) {
            const QString file = contentfolder::find(folder + r.ProgramFile.toString());
            if (!file.isEmpty() && g_sourceView)
                g_sourceView->loadFromFile(file);
        }
    }
    LastStep = -1;
    StepIndex = -1;
    ParseWiring(r.WiringText.bytes(), LastStep);
}
