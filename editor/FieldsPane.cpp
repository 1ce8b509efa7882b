#include "editor/FieldsPane.h"

#include "editor/EditedColumns.h"
#include "engine/FieldCapacity.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace editor {

FieldsPane::FieldsPane(QWidget* parent) : QWidget(parent) {
    auto* form = new QFormLayout(this);
    for (const FieldDef& f : editedFields()) {
        const QString column = QString::fromUtf8(f.column);
        QString CatalogueRow::*field = f.field;
        auto* row = new QHBoxLayout;
        QWidget* editor = nullptr;
        if (f.kind == FieldDef::Text) {
            auto* text = new QPlainTextEdit(this);
            text->setTabChangesFocus(true);
            // The description takes what room is left; the capped texts hold their 255 bytes.
            if (field != &CatalogueRow::description)
                text->setMaximumHeight(80);
            connect(text, &QPlainTextEdit::textChanged, this, [this, text, field] {
                if (!refreshing_ && fieldEdited)
                    fieldEdited(field, text->toPlainText());
            });
            texts_.insert(column, text);
            editor = text;
        } else {
            auto* line = new QLineEdit(this);
            if (field == &CatalogueRow::name) {
                // A name is checked when the teacher leaves the field: it must stay unique within its type.
                connect(line, &QLineEdit::textEdited, this,
                        [this, field](const QString& t) { updateCounter(field, t); });
                connect(line, &QLineEdit::editingFinished, this, [this, line] {
                    if (!refreshing_ && have_ && line->text() != storedName_ && nameEdited &&
                        !nameEdited(line->text()))
                        line->setText(storedName_);
                });
            } else {
                connect(line, &QLineEdit::textEdited, this, [this, field](const QString& t) {
                    if (fieldEdited)
                        fieldEdited(field, t);
                });
            }
            lines_.insert(column, line);
            editor = line;
        }
        editor->setObjectName(column);
        row->addWidget(editor, 1);
        if (f.kind == FieldDef::File) {
            auto* choose = new QPushButton(QStringLiteral("选择…"), this);
            connect(choose, &QPushButton::clicked, this, [this, field] {
                if (chooseFileClicked)
                    chooseFileClicked(field);
            });
            row->addWidget(choose);
        }
        if (cataloguesource::capacityOf(field) > 0) {
            auto* count = new QLabel(this);
            count->setMinimumWidth(96);
            count->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            count->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
            counters_.insert(column, count);
            row->addWidget(count, 0, f.kind == FieldDef::Text ? Qt::AlignTop : Qt::AlignVCenter);
        }
        form->addRow(column, row);
        if (field == &CatalogueRow::name) {
            cpuBox_ = new QComboBox(this);
            cpuBox_->setObjectName(QStringLiteral("CPU类型"));
            cpuBox_->addItems(typeCaptions());
            connect(cpuBox_, &QComboBox::currentIndexChanged, this, [this](int index) {
                if (!refreshing_ && have_ && cpuTypeChosen)
                    cpuTypeChosen(index + 1);
            });
            form->addRow(QStringLiteral("CPU类型"), cpuBox_);
        }
    }
}

void FieldsPane::refresh(const CatalogueRow* row, int cpuType) {
    refreshing_ = true;
    have_ = row != nullptr;
    static const CatalogueRow none;
    const CatalogueRow& r = have_ ? *row : none;
    storedName_ = r.name;
    for (const FieldDef& f : editedFields()) {
        const QString column = QString::fromUtf8(f.column);
        const QString value = r.*f.field;
        if (QLineEdit* line = lines_.value(column)) {
            if (line->text() != value)
                line->setText(value);
            line->setEnabled(have_);
        }
        if (QPlainTextEdit* text = texts_.value(column)) {
            if (text->toPlainText() != value)
                text->setPlainText(value);
            text->setEnabled(have_);
        }
        updateCounter(f.field, value);
    }
    cpuBox_->setCurrentIndex(have_ ? r.cpuType - 1 : cpuType - 1);
    cpuBox_->setEnabled(have_);
    refreshing_ = false;
}

void FieldsPane::updateCounter(QString CatalogueRow::*field, const QString& text) {
    QLabel* label = counters_.value(columnOf(field));
    if (!label)
        return;
    const int bytes = cataloguesource::gbkBytes(text);
    const int capacity = cataloguesource::capacityOf(field);
    label->setText(QStringLiteral("%1/%2 字节").arg(bytes).arg(capacity));
    label->setStyleSheet(bytes > capacity ? QStringLiteral("color: red") : QString());
}

} // namespace editor
