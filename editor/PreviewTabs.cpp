#include "editor/PreviewTabs.h"

#include "base/ContentFolder.h"
#include "base/ErrorReport.h"
#include "base/ProgramFolder.h"
#include "editor/EditedColumns.h"
#include "editor/PicturePreview.h"
#include "source/SynEdit.h"

#include <QBoxLayout>
#include <QTabWidget>

#include <utility>

namespace editor {

PreviewTabs::PreviewTabs(QTabWidget& tabs) : QObject(&tabs) {
    sourcePage_ = new QWidget(&tabs);
    auto* column = new QVBoxLayout(sourcePage_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    source_ = new TSynEdit(sourcePage_);
    source_->setReadOnly(true);
    column->addWidget(source_, 1);
    tabs.addTab(sourcePage_, QStringLiteral("源程序"));
    circuit_ = new PicturePreview(&tabs);
    tabs.addTab(circuit_, QStringLiteral("电路图"));
    flow_ = new PicturePreview(&tabs);
    tabs.addTab(flow_, QStringLiteral("框图"));
}

void PreviewTabs::refresh(const CatalogueRow* r, const QString& work) {
    const QString program = programfolder::path();
    auto find = [&](const QString& folder, const QString& name) {
        return folder.isEmpty() || name.isEmpty() ? QString()
                                                  : contentfolder::find(folder + name, work, program);
    };
    const QString sourcePath =
        r ? find(contentFolder(&CatalogueRow::program, r->cpuType), r->program) : QString();
    const int type = r ? r->cpuType : 0;
    // Reloaded only when what they show changes: a click on the board must stay quick.
    if (source_->property("shown").toString() != sourcePath || highlighterType_ != type) {
        source_->setProperty("shown", sourcePath);
        if (type != highlighterType_) {
            source_->setHighlighter(highlighters_.forCpuType(type));
            highlighterType_ = type;
        }
        source_->setReadOnly(false);
        source_->clearLines();
        if (!sourcePath.isEmpty())
            errorreport::guarded([&] { source_->loadFromFile(sourcePath); });
        source_->setReadOnly(true);
    }
    const std::pair<PicturePreview*, QString> pictures[] = {
        {circuit_, r ? find(QStringLiteral("pic/"), r->circuit) : QString()},
        {flow_, r ? find(QStringLiteral("pic/"), r->flowChart) : QString()}};
    for (const auto& [preview, path] : pictures) {
        const QString key = r ? (path.isEmpty() ? QStringLiteral("-") : path) : QString();
        if (preview->property("shown").toString() != key || key.isEmpty()) {
            preview->setProperty("shown", key);
            preview->showFile(path);
        }
    }
}

} // namespace editor
