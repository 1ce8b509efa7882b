#include "boards/BoardLayout.h"

#include "base/ErrorReport.h"
#include "engine/TerminalName.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

#include <chrono>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>
#include <vector>

// The layout files are compiled into lg_boards; a static library must register them explicitly.
static void initBoardResources() { Q_INIT_RESOURCE(boards); }

namespace boards {

namespace {

[[noreturn]] void fail(const QString& source, const QString& what) {
    throw Error(QStringLiteral("Board layout %1: %2").arg(source, what));
}

class Reader {
public:
    Reader(const QJsonObject& o, QString source, QString where)
        : o_(o), source_(std::move(source)), where_(std::move(where)) {}

    [[noreturn]] void fail(const QString& what) const { boards::fail(source_, where_ + what); }

    bool has(const char* key) const { return o_.contains(QLatin1String(key)); }

    QJsonValue value(const char* key) const {
        const QJsonValue v = o_.value(QLatin1String(key));
        if (v.isUndefined())
            fail(QStringLiteral("missing \"%1\"").arg(QLatin1String(key)));
        return v;
    }
    QString text(const char* key) const {
        const QJsonValue v = value(key);
        if (!v.isString())
            fail(QStringLiteral("\"%1\" must be a text").arg(QLatin1String(key)));
        return v.toString();
    }
    QString optText(const char* key, const QString& fallback = {}) const { return has(key) ? text(key) : fallback; }
    int integer(const char* key) const {
        const QJsonValue v = value(key);
        if (!v.isDouble() || v.toDouble() != double(v.toInt()))
            fail(QStringLiteral("\"%1\" must be an integer").arg(QLatin1String(key)));
        return v.toInt();
    }
    bool flag(const char* key, bool fallback) const {
        if (!has(key))
            return fallback;
        const QJsonValue v = value(key);
        if (!v.isBool())
            fail(QStringLiteral("\"%1\" must be true or false").arg(QLatin1String(key)));
        return v.toBool();
    }
    QRect rect(const char* key) const {
        const QJsonArray a = value(key).toArray();
        if (a.size() != 4)
            fail(QStringLiteral("\"%1\" must be [left, top, width, height]").arg(QLatin1String(key)));
        int n[4];
        for (int i = 0; i < 4; ++i) {
            if (!a[i].isDouble() || a[i].toDouble() != double(a[i].toInt()))
                fail(QStringLiteral("\"%1\" must hold integers").arg(QLatin1String(key)));
            n[i] = a[i].toInt();
        }
        if (n[2] < 0 || n[3] < 0)
            fail(QStringLiteral("\"%1\" has a negative size").arg(QLatin1String(key)));
        return QRect(n[0], n[1], n[2], n[3]);
    }
    QJsonObject object(const char* key) const {
        const QJsonValue v = value(key);
        if (!v.isObject())
            fail(QStringLiteral("\"%1\" must be an object").arg(QLatin1String(key)));
        return v.toObject();
    }

private:
    QJsonObject o_;
    QString source_;
    QString where_;
};

void readHint(const Reader& r, Component& c) {
    if (r.has("hint")) {
        c.hint = r.text("hint");
        c.hasHint = true;
    }
    c.showHint = r.flag("showHint", false);
}

Component readComponent(const QJsonObject& o, const QString& source, int index) {
    Reader r(o, source, QStringLiteral("component %1: ").arg(index));
    Component c;
    c.name = r.text("name");
    if (c.name.isEmpty())
        r.fail(QStringLiteral("empty name"));
    const QString kind = r.text("kind");
    const Reader named(o, source, QStringLiteral("component %1 (%2): ").arg(index).arg(c.name));
    if (kind == u"linklayer") {
        c.kind = ComponentKind::LinkLayer;
        c.rect = named.rect("rect");
    } else if (kind == u"block") {
        c.kind = ComponentKind::Block;
        c.rect = named.rect("rect");
        c.caption = named.optText("caption");
        c.click = named.flag("click", false);
        readHint(named, c);
    } else if (kind == u"terminal") {
        c.kind = ComponentKind::Terminal;
        if (!terminalname::isTerminal(c.name))
            named.fail(QStringLiteral("a terminal's name starts with SHP_ and a terminal name"));
        c.rect = named.rect("rect");
        const QString shape = named.text("shape");
        if (shape == u"circle")
            c.shape = TerminalShape::Circle;
        else if (shape == u"rectangle")
            c.shape = TerminalShape::Rectangle;
        else
            named.fail(QStringLiteral("unknown shape \"%1\"").arg(shape));
        readHint(named, c);
    } else if (kind == u"label") {
        c.kind = ComponentKind::Label;
        c.caption = named.text("caption");
        c.rect = QRect(named.integer("left"), named.integer("top"), 0, 0); // sized by its text at creation
    } else if (kind == u"widget") {
        c.kind = ComponentKind::Widget;
        c.widgetClass = named.text("class");
        c.caption = named.optText("caption"); // the reset key has one, instruments have none
        c.rect = named.rect("rect");
        c.frame = named.flag("frame", false);
        c.belowArea = named.flag("belowBoardArea", false);
        if (c.belowArea && !c.frame)
            named.fail(QStringLiteral("only a frame widget can lie below the board area"));
        c.click = named.flag("click", false);
        readHint(named, c);
        if (named.has("properties"))
            c.properties = named.object("properties");
    } else {
        named.fail(QStringLiteral("unknown kind \"%1\"").arg(kind));
    }
    return c;
}

PanelLayout readPanel(const QJsonObject& o, const QString& source) {
    Reader r(o, source, QStringLiteral("panel: "));
    PanelLayout p;
    p.width = r.integer("width");
    p.height = r.integer("height");
    p.rowOffset = r.integer("rowOffset");
    p.tishiWidth = r.integer("tishiWidth");
    p.tishiHeight = r.integer("tishiHeight");
    p.disablePrevOnChoice = r.flag("disablePrevOnChoice", false);
    p.columns = r.integer("columns");
    p.typeHandler = r.flag("typeHandler", false);
    const QJsonValue types = r.value("types");
    if (!types.isArray() || types.toArray().isEmpty())
        r.fail(QStringLiteral("\"types\" must list at least one experiment type"));
    for (const QJsonValue& t : types.toArray()) {
        const Reader tr(t.toObject(), source, QStringLiteral("panel type: "));
        p.types.append({tr.text("caption"), tr.integer("cpuType")});
    }
    if (p.columns < 1)
        r.fail(QStringLiteral("\"columns\" must be at least 1"));
    return p;
}

} // namespace

BoardLayout parseLayout(const QByteArray& json, const QString& source) {
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &err);
    if (err.error != QJsonParseError::NoError)
        fail(source, QStringLiteral("%1 at offset %2").arg(err.errorString()).arg(err.offset));
    if (!doc.isObject())
        fail(source, QStringLiteral("the top level must be an object"));
    const Reader r(doc.object(), source, QString());
    BoardLayout b;
    b.board = r.text("board");
    const QJsonObject form = r.object("form");
    const Reader fr(form, source, QStringLiteral("form: "));
    b.formClass = fr.text("class");
    b.instance = fr.text("instance");
    b.caption = fr.text("caption");
    const QString border = fr.text("border");
    if (border != u"dialog" && border != u"sizeable")
        fr.fail(QStringLiteral("\"border\" is \"dialog\" or \"sizeable\""));
    b.fixedBorder = border == u"dialog";
    b.clientSize = QSize(fr.integer("clientWidth"), fr.integer("clientHeight"));
    b.panel = readPanel(r.object("panel"), source);
    const Reader ar(r.object("boardArea"), source, QStringLiteral("boardArea: "));
    b.areaSize = QSize(ar.integer("width"), ar.integer("height"));
    b.blockHandler = r.text("blockHandler");

    const QJsonValue comps = r.value("components");
    if (!comps.isArray())
        fail(source, QStringLiteral("\"components\" must be a list"));
    QSet<QString> seen;
    int index = 0;
    for (const QJsonValue& v : comps.toArray()) {
        if (!v.isObject())
            fail(source, QStringLiteral("component %1 is not an object").arg(index));
        Component c = readComponent(v.toObject(), source, index);
        // Lookups by name ignore letter case, so two names differing only in case would shadow each other.
        const QString key = c.name.toUpper();
        if (seen.contains(key))
            fail(source, QStringLiteral("the name %1 occurs twice (names are compared without letter case)").arg(c.name));
        seen.insert(key);
        b.components.append(std::move(c));
        ++index;
    }
    if (b.components.isEmpty() || b.components.first().kind != ComponentKind::LinkLayer)
        fail(source, QStringLiteral("the link layer must be the first component"));
    return b;
}

const QStringList& boardNames() {
    static const QStringList names{QStringLiteral("QK740X"), QStringLiteral("QK620X"), QStringLiteral("QK310X"),
                                   QStringLiteral("QK930X")};
    return names;
}

QString canonicalBoardName(const QString& name) {
    for (const QString& b : boardNames())
        if (b.compare(name, Qt::CaseInsensitive) == 0)
            return b;
    return {};
}

namespace {

bool hasValue(const std::shared_future<BoardLayout>& f) {
    try {
        f.get();
        return true;
    } catch (...) {
        return false;
    }
}

BoardLayout readStoredLayout(const QString& name) {
    const QString path = QStringLiteral(":/boards/%1.json").arg(name);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Board layout %1 is missing from the program").arg(path));
    BoardLayout layout = parseLayout(f.readAll(), path);
    if (layout.board != name)
        fail(path, QStringLiteral("it describes board %1").arg(layout.board));
    return layout;
}

// Each board's layout is read once, by the first caller or by the prefetch worker; a caller that comes
// while the worker is still reading it waits for that result, including its error.
struct LayoutStore {
    std::mutex lock;
    std::map<QString, std::shared_future<BoardLayout>> layouts;
    std::future<void> worker; // waited for at exit, so the worker never outlives the store
    bool prefetched = false;
};

LayoutStore& layoutStore() {
    static LayoutStore store;
    return store;
}

} // namespace

const BoardLayout& storedLayout(const QString& board) {
    const QString name = canonicalBoardName(board);
    if (name.isEmpty())
        throw Error(QStringLiteral("Unknown board \"%1\" (known: %2)").arg(board, boardNames().join(u", ")));
    LayoutStore& store = layoutStore();
    std::shared_future<BoardLayout> layout;
    {
        std::lock_guard<std::mutex> guard(store.lock);
        auto it = store.layouts.find(name);
        if (it == store.layouts.end() || (it->second.wait_for(std::chrono::seconds(0)) == std::future_status::ready &&
                                          !hasValue(it->second))) {
            // Read here; an earlier failure is tried again, as the caller reports it each time.
            initBoardResources();
            std::promise<BoardLayout> result;
            try {
                result.set_value(readStoredLayout(name));
            } catch (...) {
                result.set_exception(std::current_exception());
            }
            it = store.layouts.insert_or_assign(name, result.get_future().share()).first;
        }
        layout = it->second;
    }
    return layout.get(); // the store keeps the shared state, so the reference stays valid
}

void prefetchStoredLayouts(std::function<void()> afterwards) {
    initBoardResources();
    LayoutStore& store = layoutStore();
    std::lock_guard<std::mutex> guard(store.lock);
    if (store.prefetched)
        return;
    store.prefetched = true;
    std::vector<std::pair<QString, std::shared_ptr<std::promise<BoardLayout>>>> jobs;
    for (const QString& name : boardNames()) {
        if (store.layouts.count(name))
            continue;
        auto promise = std::make_shared<std::promise<BoardLayout>>();
        store.layouts.emplace(name, promise->get_future().share());
        jobs.emplace_back(name, std::move(promise));
    }
    // The worker ends before the application object goes, and so before any static it touches.
    if (QCoreApplication::instance())
        qAddPostRoutine([] {
            LayoutStore& s = layoutStore();
            std::future<void> done;
            {
                std::lock_guard<std::mutex> g(s.lock);
                done = std::move(s.worker);
            }
            if (done.valid())
                done.wait();
        });
    auto work = [jobs, afterwards = std::move(afterwards)] {
        for (const auto& [name, promise] : jobs) {
            try {
                promise->set_value(readStoredLayout(name));
            } catch (...) {
                promise->set_exception(std::current_exception());
            }
        }
        if (afterwards) {
            try {
                afterwards();
            } catch (...) {
                // Only a head start: whoever needs the work later does it again and reports its failure.
            }
        }
    };
    try {
        store.worker = std::async(std::launch::async, std::move(work));
    } catch (const std::system_error&) {
        // No thread to be had: the callers read the layouts themselves, as without a prefetch.
        for (const auto& job : jobs)
            store.layouts.erase(job.first);
    }
}

QString blockKey(const QString& componentName) { return componentName.mid(3); }

QString clickPicture(const Component& c) {
    const bool clickable = c.click && (c.kind == ComponentKind::Block || c.kind == ComponentKind::Widget);
    const QString key = clickable ? blockKey(c.name) : QString();
    return key.isEmpty() ? QString() : key + QStringLiteral(".jpg");
}

const QStringList& referencePictures() {
    static const QStringList pictures = [] {
        QStringList names;
        for (const QString& board : boardNames())
            for (const Component& c : storedLayout(board).components)
                if (const QString picture = clickPicture(c); !picture.isEmpty())
                    names << QStringLiteral("pic/") + picture;
        names.removeDuplicates();
        return names;
    }();
    return pictures;
}

QString componentClass(const Component& c) {
    switch (c.kind) {
    case ComponentKind::LinkLayer: return QStringLiteral("TPaintBox");
    case ComponentKind::Block: return QStringLiteral("TSpeedButton");
    case ComponentKind::Terminal: return QStringLiteral("TShape");
    case ComponentKind::Label: return QStringLiteral("TLabel");
    case ComponentKind::Widget: return c.widgetClass;
    }
    return {};
}

const QList<SupplyColour>& supplyColours() {
    static const QList<SupplyColour> colours{
        {"SHP_5V", QColor(255, 0, 0)},
        {"SHP_GND", QColor(0, 0, 0)},
        {"SHP_12V0", QColor(0, 128, 0)},
    };
    return colours;
}

int blockAround(const QList<Component>& components, const QRect& rect) {
    const QPoint centre(rect.left() + rect.width() / 2, rect.top() + rect.height() / 2);
    int best = -1;
    qint64 bestArea = 0;
    for (int i = 0; i < components.size(); ++i) {
        const Component& b = components[i];
        if (b.kind != ComponentKind::Block || !b.rect.contains(centre))
            continue;
        const qint64 area = qint64(b.rect.width()) * b.rect.height();
        if (best < 0 || area < bestArea) {
            best = i;
            bestArea = area;
        }
    }
    return best;
}

void normalise(QList<Component>& components, const QSize& areaSize) {
    for (Component& c : components) {
        if (c.kind == ComponentKind::LinkLayer) {
            c.rect = QRect(QPoint(0, 0), areaSize);
            break; // only the first link layer is the board's PaintBox_link
        }
    }
    for (Component& c : components) {
        if (c.kind != ComponentKind::Terminal)
            continue;
        c.brush = QColor(255, 255, 0);
        c.showHint = true;
        if (c.shape == TerminalShape::Circle)
            c.rect.setSize(QSize(10, 10));
        else if (c.rect.width() < c.rect.height())
            c.rect.setSize(QSize(5, 30));
        else
            c.rect.setSize(QSize(30, 5));
    }
    for (const SupplyColour& s : supplyColours())
        for (Component& c : components)
            if (c.kind == ComponentKind::Terminal && c.name.compare(QLatin1String(s.name), Qt::CaseInsensitive) == 0) {
                c.brush = s.colour;
                break;
            }
}

} // namespace boards
