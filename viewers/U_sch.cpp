#include "viewers/U_sch.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "viewers/HotKey.h"
#include "viewers/PictureBox.h"
#include "viewers/Placement.h"
#include "viewers/WindowTitle.h"

#include "codecs/PictureLoader.h"

#include "base/ErrorReport.h"
#include "base/Gbk.h"
#include "base/ContentFolder.h"
#include "base/ProgramFolder.h"

#include <QKeyEvent>
#include <QVBoxLayout>

Tfrmsch* frmsch = nullptr;

Tfrmsch::Tfrmsch(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmsch"));
    resize(481, 311); // outer 489 x 345 with the usual frame
    Image1 = new TImage(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Image1);
    if (!frmsch)
        frmsch = this;
}

Tfrmsch::~Tfrmsch() {
    if (frmsch == this)
        frmsch = nullptr;
}

void Tfrmsch::ShowPicture(const QString& path, const QString& title) {
    const QString file = programfolder::findFile(path);
    if (file.isEmpty())
        return;
    // Decoded fully before Image1 changes, so a failure leaves the previous picture.
    codecs::Picture picture = codecs::loadPicture(file);
    Image1->setPicture(std::move(picture.image));
    viewers::setWindowTitleAsGiven(this, title);
    if (!opened_) {
        viewers::centreWindow(this, nullptr);
        opened_ = true;
    }
    exec();
#ifdef __GLIBC__
    // A picture's decoding leaves large freed blocks behind; hand them back so that a day of opening
    // pictures does not grow the program.
    malloc_trim(0);
#endif
}

void Tfrmsch::ShowReferencePicture(const QString& fileName, const QString& caption) {
    ShowPicture(contentfolder::resolve(QStringLiteral("pic/") + fileName), viewers::stripHotKey(caption));
}

void Tfrmsch::keyPressEvent(QKeyEvent* event) {
    // Only the close box closes the viewer.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

static Tfrmsch* viewer() {
    if (!frmsch)
        throw Error(QStringLiteral("The picture viewer has not been created"));
    return frmsch;
}

void ShowPicture(const QString& path, const QString& title) { viewer()->ShowPicture(path, title); }

void ShowPicture(const QByteArray& path, const QByteArray& title) {
    ShowPicture(gbk::decode(path), gbk::decode(title));
}

void ShowReferencePicture(const QString& fileName, const QString& caption) {
    viewer()->ShowReferencePicture(fileName, caption);
}

void ShowReferencePicture(const QByteArray& fileName, const QByteArray& caption) {
    ShowReferencePicture(gbk::decode(fileName), gbk::decode(caption));
}
