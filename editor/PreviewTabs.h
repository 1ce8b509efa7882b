#pragma once
// The editor's three preview tabs of the chosen experiment: its source, coloured as labguide's source tab
// colours it, its circuit and its flow chart, each found as labguide finds it (working folder, then
// program folder).
#include <QObject>

#include "engine/CatalogueSource.h"
#include "source/AsmHighlighters.h"

class QTabWidget;
class QWidget;
class TSynEdit;

namespace editor {

class PicturePreview;

class PreviewTabs : public QObject {
    Q_OBJECT
public:
    // Adds the three tabs (源程序, 电路图, 框图) to `tabs`.
    explicit PreviewTabs(QTabWidget& tabs);

    // Shows the row's files (nullptr: none). Each preview reloads only when what it shows changes.
    void refresh(const CatalogueRow* row, const QString& workingFolder);

    TSynEdit* source() const { return source_; }
    // The source tab's page (the source, and below it what a trial run reports).
    QWidget* sourcePage() const { return sourcePage_; }
    PicturePreview* circuit() const { return circuit_; }
    PicturePreview* flowChart() const { return flow_; }

private:
    QWidget* sourcePage_ = nullptr;
    TSynEdit* source_ = nullptr;
    // The same three highlighters as labguide's source tab, chosen by type.
    TAsmHighlighters highlighters_;
    int highlighterType_ = 0;
    PicturePreview* circuit_ = nullptr;
    PicturePreview* flow_ = nullptr;
};

} // namespace editor
