// The editor's catalogue handling: what a save keeps and refuses, labguide's lock, names unique in a type,
// undo, and the wiring check.
#include "boards/BoardArea.h"
#include "boards/BoardForm.h"
#include "boards/BoardGuide.h"
#include "editor/EditorWindow.h"
#include "editor/ExperimentListPane.h"
#include "editor/FieldsPane.h"
#include "editor/ViewerLines.h"
#include "editor/WiringPane.h"
#include "editor/ExperimentSet.h"
#include "editor/WiringCheck.h"
#include "engine/Catalogue.h"
#include "source/SynEdit.h"
#include "tests/support/CatalogueRows.h"
#include "tests/support/TestSupport.h"
#include "viewers/U_Edit.h"

#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QAbstractTextDocumentLayout>
#include <QTabWidget>
#include <QTextBlock>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

CatalogueRow row(int type, const QString& name, const QString& wiring = QStringLiteral("P10>L1")) {
    return testsupport::catalogueRow(name, type, wiring);
}

struct Folder {
    QTemporaryDir dir;
    QString catalogue = dir.filePath(QStringLiteral("QK740X.mdb"));
    explicit Folder(const QList<CatalogueRow>& rows) { cataloguesource::writeCatalogue(catalogue, rows); }
};

// labguide's own connection: exclusive, held from the first query on.
std::unique_ptr<CatalogueConnection> holdAsLabguide(const QString& path) {
    auto c = std::make_unique<CatalogueConnection>(
        cataloguesource::connectionString(path, cataloguesource::DefaultPassword, true));
    c->open();
    return c;
}

} // namespace

TEST(ExperimentSet, SaveKeepsThePreviousCatalogueAsBak) {
    Folder f({row(1, QStringLiteral("甲"))});
    const QByteArray before = readFile(f.catalogue);
    editor::ExperimentSet set = editor::ExperimentSet::open(f.catalogue);
    set.rows << row(1, QStringLiteral("乙"));
    set.save();
    EXPECT_EQ(readFile(f.catalogue + ".bak"), before);
    EXPECT_EQ(cataloguesource::readCatalogue(f.catalogue), set.rows);
    // A second save replaces the backup by the catalogue as it was before it.
    const QByteArray second = readFile(f.catalogue);
    set.rows.removeFirst();
    set.save();
    EXPECT_EQ(readFile(f.catalogue + ".bak"), second);
    EXPECT_EQ(cataloguesource::readCatalogue(f.catalogue).size(), 1);
}

TEST(ExperimentSet, NoFieldIsSavedLongerThanLabguideShowsIt) {
    Folder f({row(1, QStringLiteral("甲"))});
    const QByteArray before = readFile(f.catalogue);
    editor::ExperimentSet set = editor::ExperimentSet::open(f.catalogue);
    QStringList steps;
    for (int i = 0; i < 40; ++i)
        steps << QStringLiteral("P10>L%1").arg(i % 8 + 1); // 40 x 6 bytes + 39 CR LF = 318 bytes
    set.rows[0].wiring = editor::wiringText(steps);
    ASSERT_EQ(set.saveBlockers().size(), 1);
    EXPECT_TRUE(set.saveBlockers().first().contains(QStringLiteral("318")));
    EXPECT_FALSE(errorOf([&] { set.save(); }).isEmpty());
    EXPECT_EQ(readFile(f.catalogue), before);
    EXPECT_FALSE(QFile::exists(f.catalogue + ".bak"));

    set.rows[0].wiring = editor::wiringText(steps.mid(0, 30)); // 30 x 6 + 29 x 2 = 238 bytes
    set.rows[0].purpose = QString(200, QChar(0x4E2D));         // 400 GBK bytes: labguide shows 255
    ASSERT_EQ(set.saveBlockers().size(), 1);
    EXPECT_TRUE(set.saveBlockers().first().contains(QStringLiteral("实验目的 400 字节"))) << set.saveBlockers().first().toStdString();
    EXPECT_FALSE(errorOf([&] { set.save(); }).isEmpty());
    EXPECT_EQ(readFile(f.catalogue), before);
    set.rows[0].purpose = QString(127, QChar(0x4E2D)); // 254 bytes
    EXPECT_TRUE(set.saveBlockers().isEmpty());
    set.save();
    EXPECT_EQ(cataloguesource::readCatalogue(f.catalogue), set.rows);
}

TEST(ExperimentSet, LabguideHoldingTheCatalogueStopsOpeningAndSaving) {
    Folder f({row(1, QStringLiteral("甲"))});
    editor::ExperimentSet set = editor::ExperimentSet::open(f.catalogue);
    const QByteArray before = readFile(f.catalogue);
    {
        auto labguide = holdAsLabguide(f.catalogue);
        EXPECT_EQ(errorOf([&] { editor::ExperimentSet::open(f.catalogue); }), editor::inUseText());
        set.rows << row(1, QStringLiteral("乙"));
        EXPECT_EQ(errorOf([&] { set.save(); }), editor::inUseText());
    }
    EXPECT_EQ(readFile(f.catalogue), before);
    EXPECT_FALSE(QFile::exists(f.catalogue + ".bak"));
    set.save(); // once labguide is closed
    EXPECT_EQ(cataloguesource::readCatalogue(f.catalogue).size(), 2);

    // A file that is no catalogue: the cause in Chinese first, the catalogue layer's words after it.
    const QString other = f.dir.filePath(QStringLiteral("other.mdb"));
    ASSERT_TRUE(writeFile(other, QByteArray(4096, 'x')));
    const QString error = errorOf([&] { editor::ExperimentSet::open(other); });
    EXPECT_TRUE(error.startsWith(QStringLiteral("不能打开实验目录 %1：它不是实验目录").arg(other))) << error.toStdString();
}

TEST(EditorWindow, NamesAreUniqueWithinTheirTypeAndEditsUndo) {
    Folder f({row(1, QStringLiteral("甲")), row(2, QStringLiteral("乙"))});
    editor::EditorWindow w;
    QStringList told;
    w.tell = [&](const QString& t) { told << t; };
    ASSERT_TRUE(w.openCatalogue(f.catalogue));
    w.showType(1);
    EXPECT_FALSE(w.newExperiment(QStringLiteral("甲")));
    EXPECT_EQ(told.size(), 1);
    EXPECT_TRUE(w.newExperiment(QStringLiteral("乙"))); // taken in type 88 only
    EXPECT_FALSE(w.renameExperiment(QStringLiteral(" 甲 ")));
    EXPECT_EQ(w.experiments().rows.size(), 3);
    w.duplicateExperiment();
    EXPECT_EQ(w.experiments().rows[w.currentRow()].name, QStringLiteral("乙 副本"));
    EXPECT_TRUE(w.modified());

    // The byte count follows the typing; typing in one field is one edit.
    QLineEdit* entry = w.field(QStringLiteral("入口地址"));
    const int edits = w.undoStack().count();
    QTest::keyClicks(entry, QStringLiteral("00"));
    QKeyEvent han(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("中")); // as an input method types it
    QCoreApplication::sendEvent(entry, &han);
    EXPECT_EQ(w.experiments().rows[w.currentRow()].entry, QStringLiteral("00中"));
    EXPECT_EQ(w.undoStack().count(), edits + 1);
    EXPECT_EQ(w.counter(QStringLiteral("入口地址"))->text(), QStringLiteral("4/10 字节"));

    while (w.undoStack().canUndo())
        w.undoStack().undo();
    EXPECT_EQ(w.experiments().rows.size(), 2);
    EXPECT_FALSE(w.modified());
    w.undoStack().redo();
    EXPECT_EQ(w.experiments().rows.size(), 3);
}

// The source preview is labguide's source view: its highlighter for the experiment's type and its gutter.
TEST(EditorWindow, SourcePreviewColoursAsLabguideDoes) {
    CatalogueRow r51 = row(1, QStringLiteral("甲"));
    r51.program = QStringLiteral("int0.asm");
    CatalogueRow r88 = row(2, QStringLiteral("乙"));
    r88.program = QStringLiteral("int0.asm");
    Folder f({r51, r88});
    const QByteArray bundled = readFile(sourceDir() + "/data/asm/51/int0.asm");
    ASSERT_FALSE(bundled.isEmpty());
    ASSERT_TRUE(writeFile(f.dir.filePath(QStringLiteral("asm/51/int0.asm")), bundled));
    ASSERT_TRUE(writeFile(f.dir.filePath(QStringLiteral("asm/88/int0.asm")), bundled));
    editor::EditorWindow w;
    ASSERT_TRUE(w.openCatalogue(f.catalogue));
    w.showType(1);
    w.selectRow(0);
    TSynEdit* ed = w.sourcePreview();
    ASSERT_NE(ed->highlighter(), nullptr);
    EXPECT_EQ(ed->highlighter()->name(), QStringLiteral("SynAsmSyn51"));
    EXPECT_TRUE(ed->isReadOnly());
    EXPECT_EQ(ed->SendScintilla(QsciScintillaBase::SCI_GETMARGINWIDTHN, 0UL), TSynEditLook::GutterWidth);

    // "        MOV   P1,#0            ; ...": the mnemonic bold blue, the comment italic in the text colour.
    const int line = 11;
    ASSERT_TRUE(ed->lineText(line).trimmed().startsWith(QStringLiteral("MOV   P1")));
    const long start = ed->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
    ed->SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0UL, -1L);
    auto styleAt = [&](long pos) { return ed->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, static_cast<unsigned long>(pos)); };
    const long mnemonic = styleAt(start + ed->lineText(line).indexOf(QStringLiteral("MOV")));
    const long comment = styleAt(start + ed->lineText(line).indexOf(';'));
    EXPECT_EQ(mnemonic, tkKey);
    EXPECT_EQ(comment, tkComment);
    EXPECT_NE(ed->SendScintilla(QsciScintillaBase::SCI_STYLEGETFORE, static_cast<unsigned long>(mnemonic)),
              ed->SendScintilla(QsciScintillaBase::SCI_STYLEGETFORE, static_cast<unsigned long>(comment)));

    // Another type, another highlighter.
    w.showType(2);
    w.selectRow(1);
    ASSERT_NE(ed->highlighter(), nullptr);
    EXPECT_EQ(ed->highlighter()->name(), QStringLiteral("SynAsmSyn88"));
}

TEST(EditorWindow, ClosingWithUnsavedWorkAsksAndCancelKeepsIt) {
    Folder f({row(1, QStringLiteral("甲"))});
    editor::EditorWindow w;
    w.tell = [](const QString&) {};
    ASSERT_TRUE(w.openCatalogue(f.catalogue));
    w.show();
    ASSERT_TRUE(w.close()); // nothing changed: no question
    w.show();
    ASSERT_TRUE(w.newExperiment(QStringLiteral("乙")));
    int asked = 0;
    w.askUnsaved = [&] {
        return ++asked == 1 ? editor::EditorWindow::Answer::Cancel : editor::EditorWindow::Answer::Save;
    };
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.close()); // saved, then closed
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(cataloguesource::readCatalogue(f.catalogue).size(), 2);
}

TEST(EditorWindow, WithoutItsCatalogueNothingCanBeTypedAndSaveSaysWhy) {
    Folder f({row(1, QStringLiteral("甲"))});
    editor::EditorWindow w;
    QStringList told;
    w.tell = [&](const QString& text) { told << text; };
    auto* banner = w.findChild<QLabel*>(QStringLiteral("noCatalogue"));
    ASSERT_NE(banner, nullptr);
    {
        auto labguide = holdAsLabguide(f.catalogue);
        EXPECT_FALSE(w.openCatalogue(f.catalogue));
        EXPECT_FALSE(w.centralWidget()->isEnabled()) << "the list and the fields take no typing";
        EXPECT_FALSE(banner->isHidden());
        EXPECT_TRUE(banner->text().contains(editor::inUseText())) << banner->text().toStdString();
        told.clear();
        EXPECT_FALSE(w.save());
        ASSERT_EQ(told.size(), 1);
        EXPECT_TRUE(told.first().startsWith(QStringLiteral("没有打开实验目录"))) << told.first().toStdString();
    }
    // labguide closed: 重新打开 finds it free.
    ASSERT_TRUE(w.openCatalogue(f.catalogue));
    EXPECT_TRUE(w.centralWidget()->isEnabled());
    EXPECT_TRUE(banner->isHidden());
}

TEST(EditorWindow, TextsAreStoredWithCrLfAndWhatPassesTheFieldIsMarked) {
    Folder f({row(1, QStringLiteral("甲"))});
    editor::EditorWindow w;
    w.tell = [](const QString&) {};
    ASSERT_TRUE(w.openCatalogue(f.catalogue));
    auto* purpose = w.findChild<QPlainTextEdit*>(QStringLiteral("实验目的"));
    ASSERT_NE(purpose, nullptr);
    purpose->setPlainText(QStringLiteral("第一行\n第二行"));
    EXPECT_EQ(w.experiments().rows[0].purpose, QStringLiteral("第一行\r\n第二行"));
    EXPECT_TRUE(purpose->extraSelections().isEmpty());
    // 130 characters of two bytes: the 128th passes 255 bytes and is marked to the end.
    purpose->setPlainText(QString(130, QChar(0x4E2D)));
    ASSERT_EQ(purpose->extraSelections().size(), 1);
    EXPECT_EQ(purpose->extraSelections().first().cursor.selectionStart(), 127);
    EXPECT_EQ(purpose->extraSelections().first().cursor.selectionEnd(), 130);
}

// The text viewer does not wrap: saving breaks a long line of its texts into lines it shows whole, measured as
// the viewer lays them out, at the places the bundled texts are broken; a text that fits is kept as it is.
TEST(EditorWindow, SavingBreaksLongLinesToFitTheTextViewer) {
    QWidget mainWindow;
    TFrmEdit viewer(&mainWindow);
    QPlainTextEdit* memo = viewer.Memo1;
    EXPECT_EQ(memo->font().family(), TFrmEdit::textFont().family());
    EXPECT_EQ(memo->font().pixelSize(), TFrmEdit::textFont().pixelSize());
    auto viewerLines = [&](const QString& text) {
        QList<qreal> widths;
        memo->setPlainText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        for (QTextBlock b = memo->document()->firstBlock(); b.isValid(); b = b.next()) {
            memo->document()->documentLayout()->blockBoundingRect(b); // lays the block out
            widths << b.layout()->lineAt(0).naturalTextWidth();
        }
        return widths;
    };

    const QString fits = QStringLiteral("学习 8255A 的方式0。\n熟悉接线");
    EXPECT_EQ(editor::breakViewerLines(fits), fits);
    const QString text = QStringLiteral("通过本实验掌握8255A可编程并行接口芯片在方式0下的编程方法，熟悉P1口与发光二极管、"
                                        "数码管和键盘之间的连接与控制，学会用MOV DPTR,#0FF80H一类指令查询按键的状态，"
                                        "并在实验箱上完成接线、调试与运行");
    ASSERT_GT(viewerLines(text).first(), 1.5 * editor::ViewerLineLimit);
    const QString broken = editor::breakViewerLines(text);
    const QStringList lines = broken.split(QStringLiteral("\r\n"));
    ASSERT_GE(lines.size(), 3) << broken.toStdString();
    EXPECT_EQ(QString(broken).remove(QStringLiteral("\r\n")), text) << "nothing lost or added";
    const QList<qreal> widths = viewerLines(broken);
    ASSERT_EQ(widths.size(), lines.size());
    for (int i = 0; i < lines.size(); ++i) {
        const std::string line = lines[i].toStdString();
        EXPECT_LE(widths[i], editor::ViewerLineLimit) << line;
        if (i + 1 == lines.size()) {
            EXPECT_GE(widths[i], 4 * 11) << "no orphan on the last line: " << line;
            break;
        }
        // Each line here has Chinese punctuation near its end, and breaks after it.
        EXPECT_TRUE(QStringLiteral("，、。").contains(lines[i].back())) << line;
        EXPECT_FALSE(lines[i].back().unicode() < 0x80 && lines[i + 1].front().unicode() < 0x80) << line;
    }

    // Saving stores the broken text, and the field shows it.
    Folder f({row(1, QStringLiteral("甲"))});
    editor::EditorWindow w;
    w.tell = [](const QString&) {};
    ASSERT_TRUE(w.openCatalogue(f.catalogue));
    auto* purpose = w.findChild<QPlainTextEdit*>(QStringLiteral("实验目的"));
    purpose->setPlainText(text);
    ASSERT_TRUE(w.save());
    EXPECT_EQ(cataloguesource::readCatalogue(f.catalogue)[0].purpose, broken);
    EXPECT_EQ(purpose->toPlainText(), QString(broken).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    EXPECT_FALSE(w.modified());
}

TEST(EditorWindow, ViewingKeepsAStoredWiringTextAnEditedStepWritesCrLf) {
    Folder f({row(1, QStringLiteral("甲"), QStringLiteral("p10>l1,P11>L2")), row(1, QStringLiteral("乙"))});
    editor::EditorWindow w;
    ASSERT_TRUE(w.openCatalogue(f.catalogue));
    w.selectRow(1);
    w.selectRow(0);
    QCoreApplication::processEvents();
    ASSERT_EQ(w.stepList()->count(), 2);
    EXPECT_FALSE(w.modified());
    EXPECT_EQ(w.experiments().rows[0].wiring, QStringLiteral("p10>l1,P11>L2"));

    w.stepList()->item(0)->setText(QStringLiteral("P12>L3"));
    QCoreApplication::processEvents();
    EXPECT_EQ(w.experiments().rows[0].wiring, QStringLiteral("P12>L3\r\nP11>L2"));
    // The first terminal is ringed on the board until the second comes.
    boards::BoardGuide* guide = boards::BoardGuide::of(*w.boardForm());
    ASSERT_NE(guide, nullptr);
    w.terminalClicked(QStringLiteral("p13"));
    EXPECT_EQ(guide->marked(), w.boardForm()->indexOf(QStringLiteral("SHP_P13")));
    w.terminalClicked(QStringLiteral("l4"));
    EXPECT_EQ(guide->marked(), -1);
    EXPECT_EQ(w.experiments().rows[0].wiring, QStringLiteral("P12>L3\r\nP11>L2\r\nP13>L4"));
    // A first click made for one experiment is not half of the next one's step.
    w.terminalClicked(QStringLiteral("p14"));
    w.selectRow(1);
    EXPECT_EQ(guide->marked(), -1);
    const QString other = w.experiments().rows[1].wiring;
    w.terminalClicked(QStringLiteral("l5"));
    EXPECT_EQ(w.experiments().rows[1].wiring, other) << "one click is not a step";
    w.selectRow(0);
    // The board list names the boards that offer type 51 as the model menu does; picking one shows it.
    auto* boards = w.findChild<QComboBox*>(QStringLiteral("boards"));
    ASSERT_TRUE(boards);
    ASSERT_EQ(boards->count(), 2);
    EXPECT_EQ(boards->itemText(1), QStringLiteral("QK310X+"));
    boards->setCurrentIndex(1);
    ASSERT_TRUE(w.boardForm());
    EXPECT_EQ(w.boardForm()->board(), QStringLiteral("QK310X"));
    w.chooseBoard(QStringLiteral("QK740X"));
    EXPECT_EQ(boards->currentText(), QStringLiteral("QK740X"));
    w.undoStack().undo();
    w.undoStack().undo();
    EXPECT_EQ(w.experiments().rows[0].wiring, QStringLiteral("p10>l1,P11>L2"));
}

// Edits land on the experiment the list shows selected: after 删除 on its neighbour, and with the selection
// cleared on none, so that clicks on the board add no step anywhere.
TEST(EditorWindow, EditsGoToTheExperimentTheListShowsSelected) {
    const QString steps = QStringLiteral("P10>L1");
    Folder f({row(1, QStringLiteral("甲"), steps), row(1, QStringLiteral("乙"), steps), row(1, QStringLiteral("丙"), steps)});
    editor::EditorWindow w;
    w.tell = [](const QString&) {};
    w.confirm = [](const QString&) { return true; };
    ASSERT_TRUE(w.openCatalogue(f.catalogue));
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    auto* list = w.findChild<QListWidget*>(QStringLiteral("experiments"));
    ASSERT_NE(list, nullptr);
    QPushButton* remove = nullptr;
    for (QPushButton* b : w.findChild<editor::ExperimentListPane*>()->findChildren<QPushButton*>())
        if (b->text() == QStringLiteral("删除"))
            remove = b;
    ASSERT_NE(remove, nullptr);
    auto clickItem = [&](int i, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, list->visualItemRect(list->item(i)).center());
    };
    auto selectedNames = [&] {
        QStringList names;
        for (QListWidgetItem* item : list->selectedItems())
            names << item->text();
        return names;
    };
    auto wirings = [&] {
        QStringList all;
        for (const CatalogueRow& r : w.experiments().rows)
            all << r.wiring;
        return all;
    };
    // Two terminals the board shows: a click on each makes one step.
    auto* wiring = w.findChild<editor::WiringPane*>();
    w.findChild<QTabWidget*>()->setCurrentWidget(wiring);
    QCoreApplication::processEvents();
    boards::BoardArea* area = w.boardForm()->boardArea();
    QList<QPoint> terminals;
    for (qsizetype i = 0; i < w.boardForm()->components().size() && terminals.size() < 2; ++i) {
        const boards::Component& c = w.boardForm()->components()[i];
        if (c.kind == boards::ComponentKind::Terminal && area->visibleRegion().contains(c.rect.center()) &&
            area->elementAt(c.rect.center()) == i)
            terminals << c.rect.center();
    }
    ASSERT_EQ(terminals.size(), 2);
    auto clickTwoTerminals = [&] {
        for (const QPoint& p : terminals)
            QTest::mouseClick(area, Qt::LeftButton, {}, p);
    };

    clickItem(1);
    ASSERT_EQ(selectedNames(), QStringList{QStringLiteral("乙")});
    remove->click();
    ASSERT_EQ(w.experiments().rows.size(), 2);
    EXPECT_EQ(selectedNames(), QStringList{QStringLiteral("丙")}) << "the next experiment is selected";
    EXPECT_EQ(w.field(QStringLiteral("实验名称"))->text(), QStringLiteral("丙"));
    clickTwoTerminals();
    ASSERT_EQ(w.experiments().rows[1].name, QStringLiteral("丙"));
    EXPECT_NE(wirings()[1], steps) << "the click wires the experiment shown selected";
    EXPECT_EQ(wirings()[0], steps);
    // The last one deleted: the one before it is selected.
    remove->click();
    EXPECT_EQ(selectedNames(), QStringList{QStringLiteral("甲")});
    EXPECT_EQ(w.currentRow(), 0);

    // Ctrl+click on the selected experiment clears the selection: nothing is edited, the panes say so.
    clickItem(0, Qt::ControlModifier);
    ASSERT_TRUE(selectedNames().isEmpty());
    EXPECT_EQ(w.currentRow(), -1);
    EXPECT_FALSE(wiring->isEnabled());
    EXPECT_FALSE(w.findChild<editor::FieldsPane*>()->isEnabled());
    const QStringList before = wirings();
    const int edits = w.undoStack().count();
    clickTwoTerminals();
    EXPECT_EQ(wirings(), before);
    EXPECT_EQ(w.undoStack().count(), edits);
    // Selected again, it is edited again.
    clickItem(0);
    EXPECT_EQ(w.currentRow(), 0);
    EXPECT_TRUE(wiring->isEnabled());
}

TEST(EditorWindow, PacksCarryExperimentsWithTheirFilesBetweenWorkingFolders) {
    CatalogueRow led = row(1, QStringLiteral("甲"));
    led.program = QStringLiteral("led.asm");
    Folder from({led});
    ASSERT_TRUE(writeFile(from.dir.filePath("asm/51/led.asm"), "mov a,#1\r\n"));
    Folder into({row(1, QStringLiteral("乙"))});
    const QString pack = from.dir.filePath("out.labpack");
    QStringList told;
    {
        editor::EditorWindow w;
        w.tell = [&](const QString& t) { told << t; };
        ASSERT_TRUE(w.openCatalogue(from.catalogue));
        ASSERT_TRUE(w.exportPackTo({led}, pack));
    }
    editor::EditorWindow w;
    w.tell = [&](const QString& t) { told << t; };
    ASSERT_TRUE(w.openCatalogue(into.catalogue));
    ASSERT_TRUE(w.importPackFrom(pack));
    EXPECT_EQ(cataloguesource::readCatalogue(into.catalogue),
              (QList<CatalogueRow>{row(1, QStringLiteral("乙")), led}));
    EXPECT_EQ(w.experiments().rows.size(), 2);
    EXPECT_EQ(readFile(into.dir.filePath("asm/51/led.asm")), "mov a,#1\r\n");

    // The teacher's own version of 甲 meets the pack's: kept or replaced as answered.
    w.showType(1);
    w.selectRow(1);
    w.field(QStringLiteral("入口地址"))->setText(QStringLiteral("8000H"));
    Q_EMIT w.field(QStringLiteral("入口地址"))->textEdited(QStringLiteral("8000H"));
    EXPECT_FALSE(w.importPackFrom(pack)); // unsaved edits first
    ASSERT_TRUE(w.save());
    // So is the teacher's own led.asm: both conflicts are asked about before anything is written.
    ASSERT_TRUE(writeFile(into.dir.filePath("asm/51/led.asm"), "mine"));
    const QByteArray catalogueBefore = readFile(into.catalogue);
    QStringList asked;
    w.askClashes = [&](const QStringList& clashes) {
        asked = clashes;
        return editor::EditorWindow::ClashAnswer::Cancel;
    };
    EXPECT_FALSE(w.importPackFrom(pack));
    EXPECT_EQ(asked, (QStringList{QStringLiteral("实验 [51] 甲"), QStringLiteral("文件 asm/51/led.asm")}));
    EXPECT_EQ(readFile(into.catalogue), catalogueBefore);
    EXPECT_EQ(readFile(into.dir.filePath("asm/51/led.asm")), "mine");
    w.askClashes = [](const QStringList&) { return editor::EditorWindow::ClashAnswer::Keep; };
    ASSERT_TRUE(w.importPackFrom(pack));
    EXPECT_EQ(cataloguesource::readCatalogue(into.catalogue)[1].entry, QStringLiteral("8000H"));
    EXPECT_EQ(readFile(into.dir.filePath("asm/51/led.asm")), "mine");
    w.askClashes = [](const QStringList&) { return editor::EditorWindow::ClashAnswer::Replace; };
    {
        auto labguide = holdAsLabguide(into.catalogue);
        told.clear();
        EXPECT_FALSE(w.importPackFrom(pack));
        EXPECT_EQ(told, QStringList{editor::inUseText()});
    }
    ASSERT_TRUE(w.importPackFrom(pack));
    EXPECT_EQ(cataloguesource::readCatalogue(into.catalogue)[1], led);
    EXPECT_EQ(readFile(into.dir.filePath("asm/51/led.asm")), "mov a,#1\r\n");
}

TEST(WiringCheck, NamesUnknownTerminalsPerBoardEmptyStepsAndTheBudget) {
    const QStringList steps = {QStringLiteral("P10>L1"), QString(), QStringLiteral("P10>XYZ")};
    EXPECT_EQ(editor::wiringText(steps), QStringLiteral("P10>L1\r\n\r\nP10>XYZ"));
    const QStringList lines = editor::checkWiring(1, steps);
    EXPECT_EQ(lines.first(), QStringLiteral("接线 17/255 字节"));
    EXPECT_TRUE(lines.contains(QStringLiteral("第 2 步为空")));
    // Every board that offers type 51 is checked, each on its own.
    EXPECT_TRUE(lines.contains(QStringLiteral("QK740X 没有接线端 XYZ"))) << lines.join('\n').toStdString();
    EXPECT_TRUE(editor::wiringHasProblems(1, steps));
    EXPECT_EQ(editor::wiringSteps(QStringLiteral("p10 > l1，P11>L2")), (QStringList{"P10 > L1", "P11>L2"}));

    // Each unknown name is followed by labtool lint's guess: the letter O taken for the digit 0, a hint the
    // board shows named as such, a terminal's name before another's hint ("-12V" is the hint of 12V0).
    const QStringList near = editor::checkWiring(1, {QStringLiteral("PAO>FF90"), QStringLiteral("12 V>XYZ")});
    for (const QString& board : {QStringLiteral("QK740X"), QStringLiteral("QK310X+")}) {
        const qsizetype lacks = near.indexOf(board + QStringLiteral(" 没有接线端 PAO、FF90、12 V、XYZ"));
        ASSERT_GE(lacks, 0) << near.join('\n').toStdString();
        EXPECT_EQ(near.mid(lacks + 1, 3),
                  QStringList({board + QStringLiteral(" 没有接线端 PAO，是否指 PA0？"),
                               board + QStringLiteral(" 没有接线端 FF90（FF90H 的提示文字），是否指 FF90H？"),
                               board + QStringLiteral(" 没有接线端 12 V，是否指 12V？")}))
            << near.join('\n').toStdString();
    }
    EXPECT_EQ(near.filter(QStringLiteral("QK310X ")), QStringList());
}
