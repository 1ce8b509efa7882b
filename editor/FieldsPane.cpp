#include "editor/FieldsPane.h"

#include "editor/EditedColumns.h"
#include "engine/FieldCapacity.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
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
            // Texts are stored with CR LF between their lines, as the bundled ones are.
            connect(text, &QPlainTextEdit::textChanged, this, [this, text, field] {
                if (!refreshing_ && fieldEdited)
                    fieldEdited(field, text->toPlainText().replace(u'\n', QStringLiteral("\r\n")));
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
    // In a text, what lies past the field's bytes is marked: it would be lost, and 保存 refuses it.
    if (QPlainTextEdit* edit = texts_.value(columnOf(field))) {
        QList<QTextEdit::ExtraSelection> marks;
        const int cut = cutAt(text, capacity);
        if (cut >= 0) {
            QTextEdit::ExtraSelection past;
            past.cursor = QTextCursor(edit->document());
            past.cursor.setPosition(std::min(cut, edit->document()->characterCount() - 1));
            past.cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
            past.format.setBackground(QColor(255, 190, 190));
            marks << past;
        }
        edit->setExtraSelections(marks);
    }
}

int FieldsPane::cutAt(const QString& text, int capacity) {
    // The stored text (CR LF line breaks) counted in GBK bytes; positions are the editor's (one per break).
    int bytes = 0, position = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r')
            continue;
        bytes += c == u'\n' ? 2 : cataloguesource::gbkBytes(QString(c));
        if (bytes > capacity)
            return position;
        ++position;
    }
    return -1;
}

} // namespace editor
