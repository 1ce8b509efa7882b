#include "base/StyleIcon.h"

#include <QApplication>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QPointer>

#include <memory>

namespace styleicon {

namespace {

// Asks the style for the real icon on first use and forwards everything to it.
class DeferredEngine : public QIconEngine {
public:
    explicit DeferredEngine(QStyle::StandardPixmap which) : state_(std::make_shared<State>(which)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override {
        return icon().pixmap(size, scale, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return icon().availableSizes(mode, state);
    }
    // Asked when buttons are laid out; the style always has its standard icons, so this need not load.
    bool isNull() override { return state_->done && state_->loaded.isNull(); }
    QString key() const override { return QStringLiteral("DeferredStyleIcon"); }
    QIconEngine* clone() const override { return new DeferredEngine(state_); }

private:
    struct State {
        explicit State(QStyle::StandardPixmap w) : which(w) {}
        QStyle::StandardPixmap which;
        QIcon loaded;
        bool done = false;
    };
    explicit DeferredEngine(std::shared_ptr<State> s) : state_(std::move(s)) {}

    const QIcon& icon() {
        if (!state_->done) {
            state_->done = true;
            if (qobject_cast<QApplication*>(QCoreApplication::instance())) // styles need a widget application
                state_->loaded = QApplication::style()->standardIcon(state_->which);
        }
        return state_->loaded;
    }

    std::shared_ptr<State> state_;
};

// One icon per standard pixmap for the life of the application, so that all buttons showing it share
// one load; it lives as a child of the application so no pixmap outlives it.
class Cache : public QObject {
public:
    using QObject::QObject;
    QHash<int, QIcon> icons;
};

} // namespace

QIcon standard(QStyle::StandardPixmap which) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return QIcon(new DeferredEngine(which));
    static QPointer<Cache> cache; // cleared when the application goes
    if (!cache)
        cache = new Cache(app);
    auto it = cache->icons.find(which);
    if (it == cache->icons.end())
        it = cache->icons.insert(which, QIcon(new DeferredEngine(which)));
    return *it;
}

} // namespace styleicon
