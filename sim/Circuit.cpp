#include "sim/Circuit.h"

#include "sim/DeviceTypes.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>

// The circuit files are compiled into lg_sim; a static library must register them explicitly.
static void initCircuitResources() { Q_INIT_RESOURCE(circuits); }

namespace sim {

namespace {

// A value's place in the document: the keys and indexes leading to it, joined by a separator no key holds.
using Path = QString;
const QChar PathSep(0x1F);
Path child(const Path& parent, const QString& key) { return parent + PathSep + key; }
Path child(const Path& parent, int index) { return child(parent, QString::number(index)); }

// Where each member and element of a JSON text stands. QJsonDocument keeps no positions and merges repeated
// keys, so the text is walked once more beside it; it is known to be valid JSON by then.
class LineIndex {
public:
    explicit LineIndex(const QByteArray& text) : s_(text) {
        if (s_.startsWith("\xEF\xBB\xBF"))
            i_ = 3;
        value(Path(), 0);
    }

    int line(const Path& path) const {
        const auto it = lines_.find(path);
        return it == lines_.end() ? 1 : it->second;
    }
    struct Key {
        QString name;
        int line;
    };
    // An object's keys in the order of the text.
    const std::vector<Key>& keys(const Path& path) const {
        static const std::vector<Key> none;
        const auto it = keys_.find(path);
        return it == keys_.end() ? none : it->second;
    }
    // The first key written twice in one object, if any, and the object holding it.
    const Key* repeated() const { return repeated_.line ? &repeated_ : nullptr; }
    const Path& repeatedIn() const { return repeatedIn_; }

private:
    bool more() const { return i_ < s_.size(); }
    char peek() const { return more() ? s_[i_] : '\0'; }
    void space() {
        while (more() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\r' || s_[i_] == '\n')) {
            if (s_[i_] == '\n')
                ++line_;
            ++i_;
        }
    }
    // A string literal, quotes included; i_ stands on its opening quote.
    QByteArray literal() {
        const qsizetype start = i_++;
        while (more() && s_[i_] != '"')
            i_ += s_[i_] == '\\' ? 2 : 1;
        i_ = std::min(i_ + 1, s_.size());
        return s_.mid(start, i_ - start);
    }
    static QString decode(const QByteArray& literal) {
        return QJsonDocument::fromJson("[" + literal + "]").array().at(0).toString();
    }
    // A member stands where its key does, an element where it begins.
    void value(const Path& path, int depth, int line = 0) {
        space();
        lines_.emplace(path, line ? line : line_);
        if (depth > 2000) // beyond QJsonDocument's own limit; never reached on a document it accepted
            return;
        const char c = peek();
        if (c == '{') {
            ++i_;
            keys_[path];
            for (space(); more() && peek() != '}'; space()) {
                if (peek() != '"')
                    return;
                const int keyLine = line_;
                const QString key = decode(literal());
                const Path p = child(path, key);
                if (lines_.count(p) == 0)
                    keys_[path].push_back({key, keyLine});
                else if (!repeated_.line) {
                    repeated_ = {key, keyLine};
                    repeatedIn_ = path;
                }
                space();
                if (peek() == ':')
                    ++i_;
                value(p, depth + 1, keyLine);
                space();
                if (peek() == ',')
                    ++i_;
            }
            ++i_;
        } else if (c == '[') {
            ++i_;
            int index = 0;
            for (space(); more() && peek() != ']'; space()) {
                const qsizetype before = i_;
                value(child(path, index++), depth + 1);
                space();
                if (peek() == ',')
                    ++i_;
                if (i_ == before) // only on text QJsonDocument refused; never loop on it
                    return;
            }
            ++i_;
        } else if (c == '"') {
            literal();
        } else {
            while (more() && !QByteArrayView(",]} \t\r\n").contains(s_[i_]))
                ++i_;
        }
    }

    const QByteArray& s_;
    qsizetype i_ = 0;
    int line_ = 1;
    std::map<Path, int> lines_;
    std::map<Path, std::vector<Key>> keys_;
    Key repeated_{QString(), 0};
    Path repeatedIn_;
};

int lineAtOffset(const QByteArray& text, qsizetype offset) {
    return 1 + int(text.left(std::clamp<qsizetype>(offset, 0, text.size())).count('\n'));
}

QString syntaxError(QJsonParseError::ParseError e) {
    switch (e) {
    case QJsonParseError::UnterminatedObject: return QStringLiteral("对象中缺少逗号或 }");
    case QJsonParseError::MissingNameSeparator: return QStringLiteral("键后缺少冒号");
    case QJsonParseError::UnterminatedArray: return QStringLiteral("列表中缺少逗号或 ]");
    case QJsonParseError::MissingValueSeparator: return QStringLiteral("缺少逗号");
    case QJsonParseError::IllegalValue: return QStringLiteral("无效的值");
    case QJsonParseError::TerminationByNumber: return QStringLiteral("文件在数字处结束");
    case QJsonParseError::IllegalNumber: return QStringLiteral("无效的数字");
    case QJsonParseError::IllegalEscapeSequence: return QStringLiteral("无效的转义");
    case QJsonParseError::IllegalUTF8String: return QStringLiteral("无效的 UTF-8 文字");
    case QJsonParseError::UnterminatedString: return QStringLiteral("文字没有结束");
    case QJsonParseError::MissingObject: return QStringLiteral("缺少对象");
    case QJsonParseError::DeepNesting: return QStringLiteral("嵌套太深");
    case QJsonParseError::DocumentTooLarge: return QStringLiteral("文件太大");
    case QJsonParseError::GarbageAtEnd: return QStringLiteral("结尾有多余内容");
    default: return QStringLiteral("格式错误");
    }
}

const std::map<QString, int>& experimentTypes() {
    static const std::map<QString, int> types{{"51", 1}, {"88", 2}, {"96", 3}, {"PCI", 4}};
    return types;
}

class Loader {
public:
    Loader(const QByteArray& json, const QString& fileName, const QJsonObject& root)
        : fileName_(fileName), root_(root), where_(json) {}

    Circuit load() {
        refuseRepeatedKeys();
        static const std::set<QString> known{"board", "crystal", "cpu", "devices", "terminals", "wires", "assumed", "notes"};
        for (const LineIndex::Key& k : where_.keys(Path()))
            if (!known.count(k.name))
                fail(k.line, QStringLiteral("未知的键 %1").arg(k.name));
        readBoard();
        readDevices();
        readCpu();
        readTerminals();
        readWires();
        readAssumed();
        return std::move(circuit_);
    }

private:
    [[noreturn]] void fail(int line, const QString& what) const {
        throw std::runtime_error(QStringLiteral("%1 第%2行：%3").arg(fileName_).arg(line).arg(what).toStdString());
    }
    int line(const Path& p) const { return where_.line(p); }
    QJsonValue member(const QString& key) const { return root_.value(key); }

    // A key written twice in one object would be dropped silently by QJsonDocument.
    void refuseRepeatedKeys() const {
        if (const LineIndex::Key* k = where_.repeated())
            fail(k->line, where_.repeatedIn() == child(Path(), QStringLiteral("terminals"))
                              ? QStringLiteral("端子 %1 重复").arg(k->name)
                              : QStringLiteral("键 %1 重复").arg(k->name));
    }

    void readBoard() {
        const QJsonValue board = member("board");
        if (board.isUndefined())
            circuit_.board = fileName_.section(u'/', -1).section(u'.', 0, 0);
        else if (board.isString() && !board.toString().isEmpty())
            circuit_.board = board.toString();
        else
            fail(line(child(Path(), "board")), QStringLiteral("board 应为板名"));
        const QJsonValue crystal = member("crystal");
        if (!crystal.isUndefined()) {
            if (!crystal.isDouble() || !(crystal.toDouble() > 0))
                fail(line(child(Path(), "crystal")), QStringLiteral("crystal 应为晶振频率（赫兹，正数）"));
            circuit_.crystalHz = crystal.toDouble();
        }
    }

    void readDevices() {
        const Path path = child(Path(), "devices");
        const QJsonValue v = member("devices");
        if (!v.isArray())
            fail(v.isUndefined() ? 1 : line(path), QStringLiteral("缺少器件列表 devices"));
        const QJsonArray list = v.toArray();
        const DeviceTypeTable& types = deviceTypes();
        for (int i = 0; i < list.size(); ++i) {
            const Path at = child(path, i);
            if (!list[i].isObject())
                fail(line(at), QStringLiteral("器件应写作 {\"name\": …, \"type\": …}"));
            const QJsonObject o = list[i].toObject();
            const QJsonValue name = o.value("name"), type = o.value("type");
            if (!name.isString() || name.toString().isEmpty() || name.toString().contains(u'.'))
                fail(name.isUndefined() ? line(at) : line(child(at, "name")), QStringLiteral("器件名应为不含“.”的文字"));
            if (!type.isString())
                fail(line(at), QStringLiteral("器件 %1 缺少类型 type").arg(name.toString()));
            const std::string deviceName = name.toString().toStdString();
            if (made_.count(deviceName))
                fail(line(child(at, "name")), QStringLiteral("器件 %1 重复").arg(name.toString()));
            const auto maker = types.find(type.toString().toStdString());
            if (maker == types.end())
                fail(line(child(at, "type")), QStringLiteral("未知的器件类型 %1").arg(type.toString()));
            std::unique_ptr<Device> device;
            try {
                device = maker->second(deviceName, o);
            } catch (const std::exception& e) {
                fail(line(at), QString::fromStdString(e.what()));
            }
            if (!device)
                fail(line(at), QStringLiteral("无法创建器件 %1").arg(name.toString()));
            made_.emplace(deviceName, std::move(device));
            circuit_.devices.push_back({deviceName, type.toString().toStdString(), o, line(at)});
        }
    }

    void readCpu() {
        const Path path = child(Path(), "cpu");
        const QJsonValue v = member("cpu");
        if (v.isUndefined())
            return;
        if (!v.isObject())
            fail(line(path), QStringLiteral("cpu 应为 {\"实验类型\": \"器件\"}"));
        const QJsonObject o = v.toObject();
        for (auto it = o.begin(); it != o.end(); ++it) {
            const int at = line(child(path, it.key()));
            const auto type = experimentTypes().find(it.key().toUpper());
            if (type == experimentTypes().end())
                fail(at, QStringLiteral("未知的实验类型 %1").arg(it.key()));
            if (!it.value().isString())
                fail(at, QStringLiteral("实验类型 %1 的 CPU 应为器件名").arg(it.key()));
            const std::string device = it.value().toString().toStdString();
            if (!made_.count(device))
                fail(at, QStringLiteral("未知的器件 %1").arg(it.value().toString()));
            circuit_.cpuForType[type->second] = device;
        }
    }

    // "device.pin": the device name holds no '.', the pin name may ("P1.0").
    PinRef pinRef(const QJsonValue& v, int at) const {
        if (!v.isString())
            fail(at, QStringLiteral("引脚应写作 \"器件.引脚\""));
        const QString text = v.toString();
        const qsizetype dot = text.indexOf(u'.');
        if (dot <= 0 || dot + 1 == text.size())
            fail(at, QStringLiteral("引脚 %1 应写作 \"器件.引脚\"").arg(text));
        PinRef ref{text.left(dot).toStdString(), text.mid(dot + 1).toStdString()};
        const auto device = made_.find(ref.device);
        if (device == made_.end())
            fail(at, QStringLiteral("未知的器件 %1").arg(text.left(dot)));
        if (device->second->pin(ref.pin) < 0)
            fail(at, QStringLiteral("器件 %1 没有引脚 %2").arg(text.left(dot), text.mid(dot + 1)));
        return ref;
    }

    void readTerminals() {
        const Path path = child(Path(), "terminals");
        const QJsonValue v = member("terminals");
        if (!v.isObject())
            fail(v.isUndefined() ? 1 : line(path), QStringLiteral("缺少端子表 terminals"));
        const QJsonObject o = v.toObject();
        for (const LineIndex::Key& k : where_.keys(path)) {
            const QString name = k.name.toUpper();
            if (name.trimmed().isEmpty())
                fail(k.line, QStringLiteral("端子名为空"));
            if (circuit_.terminals.count(name.toStdString()))
                fail(k.line, QStringLiteral("端子 %1 重复").arg(k.name));
            const QJsonValue pins = o.value(k.name);
            const Path at = child(path, k.name);
            std::vector<PinRef> refs;
            if (pins.isArray()) {
                const QJsonArray a = pins.toArray();
                if (a.isEmpty())
                    fail(k.line, QStringLiteral("插座 %1 没有引脚").arg(k.name));
                for (int i = 0; i < a.size(); ++i)
                    refs.push_back(a[i].isNull() ? PinRef{} : pinRef(a[i], line(child(at, i))));
            } else if (pins.isString()) {
                refs.push_back(pinRef(pins, k.line));
            } else {
                fail(k.line, QStringLiteral("端子 %1 应接 \"器件.引脚\" 或插座的引脚列表").arg(k.name));
            }
            circuit_.terminals.emplace(name.toStdString(), std::move(refs));
        }
    }

    void readWires() {
        const Path path = child(Path(), "wires");
        const QJsonValue v = member("wires");
        if (v.isUndefined())
            return;
        if (!v.isArray())
            fail(line(path), QStringLiteral("wires 应为连线的列表"));
        const QJsonArray list = v.toArray();
        for (int i = 0; i < list.size(); ++i) {
            const Path at = child(path, i);
            const QJsonArray pins = list[i].toArray();
            if (!list[i].isArray() || pins.size() < 2)
                fail(line(at), QStringLiteral("连线应为两个以上引脚的列表"));
            std::vector<PinRef> wire;
            for (int j = 0; j < pins.size(); ++j)
                wire.push_back(pinRef(pins[j], line(child(at, j))));
            circuit_.wires.push_back(std::move(wire));
        }
    }

    void readAssumed() {
        const Path path = child(Path(), "assumed");
        const QJsonValue v = member("assumed");
        if (v.isUndefined())
            return;
        if (!v.isObject())
            fail(line(path), QStringLiteral("assumed 应为 {\"实验类型\": [[\"端子\", \"端子\"], …]}"));
        const QJsonObject o = v.toObject();
        for (auto it = o.begin(); it != o.end(); ++it) {
            const Path at = child(path, it.key());
            const auto type = experimentTypes().find(it.key().toUpper());
            if (type == experimentTypes().end())
                fail(line(at), QStringLiteral("未知的实验类型 %1").arg(it.key()));
            const QJsonArray links = it.value().toArray();
            for (int i = 0; i < links.size(); ++i) {
                const QJsonArray ends = links[i].toArray();
                if (ends.size() != 2 || !ends[0].isString() || !ends[1].isString())
                    fail(line(child(at, i)), QStringLiteral("假定的连线应为两个端子名"));
                std::pair<std::string, std::string> link{ends[0].toString().toUpper().toStdString(),
                                                         ends[1].toString().toUpper().toStdString()};
                for (const std::string& end : {link.first, link.second})
                    if (!circuit_.terminals.count(end))
                        fail(line(child(at, i)), QStringLiteral("未知的端子 %1").arg(QString::fromStdString(end)));
                circuit_.assumedLinks[type->second].push_back(std::move(link));
            }
        }
    }

    QString fileName_;
    QJsonObject root_;
    LineIndex where_;
    Circuit circuit_;
    std::map<std::string, std::unique_ptr<Device>> made_;
};

QString resourcePath(const QString& board) { return QStringLiteral(":/circuits/%1.circuit.json").arg(board.toUpper()); }

void initResources() {
    static std::once_flag once;
    std::call_once(once, initCircuitResources);
}

} // namespace

Circuit parseCircuit(const QByteArray& json, const QString& fileName) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        throw std::runtime_error(QStringLiteral("%1 第%2行：JSON 格式错误：%3")
                                     .arg(fileName)
                                     .arg(lineAtOffset(json, error.offset))
                                     .arg(syntaxError(error.error))
                                     .toStdString());
    if (!doc.isObject())
        throw std::runtime_error(QStringLiteral("%1 第1行：电路文件应为一个 JSON 对象").arg(fileName).toStdString());
    return Loader(json, fileName, doc.object()).load();
}

bool hasCircuit(const QString& board) {
    initResources();
    return QFile::exists(resourcePath(board));
}

const Circuit& boardCircuit(const QString& board) {
    static std::mutex lock;
    static std::map<QString, std::unique_ptr<const Circuit>> store;
    std::lock_guard<std::mutex> guard(lock);
    const QString name = board.toUpper();
    if (const auto it = store.find(name); it != store.end())
        return *it->second;
    auto circuit = std::make_unique<Circuit>();
    if (hasCircuit(name)) {
        QFile file(resourcePath(name));
        if (!file.open(QIODevice::ReadOnly))
            throw std::runtime_error(QStringLiteral("无法读取电路文件 %1").arg(file.fileName()).toStdString());
        // A failure is not stored: the caller reports it, and the next call reads again.
        *circuit = parseCircuit(file.readAll(), name + QStringLiteral(".circuit.json"));
    } else {
        circuit->board = name;
    }
    return *store.emplace(name, std::move(circuit)).first->second;
}

} // namespace sim
