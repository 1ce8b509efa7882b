#pragma once
// The editor's "实验内容" tab: the edited columns of the chosen experiment, each with its byte count
// against what the catalogue holds, its CPU type, and a 选择… button for each file column.
#include <QHash>
#include <QWidget>

#include <functional>

#include "engine/CatalogueSource.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace editor {

class FieldsPane : public QWidget {
    Q_OBJECT
public:
    explicit FieldsPane(QWidget* parent = nullptr);

    // Shows the row (nullptr: none, the fields disabled); `cpuType` is the type shown in the list.
    void refresh(const CatalogueRow* row, int cpuType);
    // The byte count of a column for a text (while it is typed, before it is an edit).
    void updateCounter(QString CatalogueRow::*field, const QString& text);

    QLineEdit* field(const QString& column) const { return lines_.value(column); }
    QLabel* counter(const QString& column) const { return counters_.value(column); }

    // A column typed into (all but the name).
    std::function<void(QString CatalogueRow::*field, const QString& text)> fieldEdited;
    // The name left after typing: false when it was refused, and the stored name comes back.
    std::function<bool(const QString& name)> nameEdited;
    std::function<void(int cpuType)> cpuTypeChosen;
    std::function<void(QString CatalogueRow::*field)> chooseFileClicked;

private:
    // The editor's position of the first character that passes `capacity` bytes, or -1 when all fit.
    static int cutAt(const QString& text, int capacity);
    QHash<QString, QLineEdit*> lines_;
    QHash<QString, QPlainTextEdit*> texts_;
    QHash<QString, QLabel*> counters_;
    QComboBox* cpuBox_ = nullptr;
    bool refreshing_ = false;
    bool have_ = false;
    QString storedName_;
};

} // namespace editor
