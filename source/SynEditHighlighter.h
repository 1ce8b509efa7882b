#pragma once
// The base of every highlighter: named text attributes, the file-type filter, and the editors that redraw when
// an attribute changes.
#include <QByteArray>
#include <QByteArrayView>
#include <QColor>
#include <QString>

#include <bitset>
#include <initializer_list>
#include <vector>

class TSynCustomHighlighter;

enum class TFontStyle { Bold, Italic, Underline, StrikeOut };

// A set of font styles.
class TFontStyles {
public:
    TFontStyles() = default;
    TFontStyles(std::initializer_list<TFontStyle> styles) {
        for (TFontStyle s : styles)
            bits_.set(static_cast<size_t>(s));
    }
    bool has(TFontStyle s) const { return bits_.test(static_cast<size_t>(s)); }
    TFontStyles& add(TFontStyle s) { bits_.set(static_cast<size_t>(s)); return *this; }
    bool isEmpty() const { return bits_.none(); }
    bool operator==(const TFontStyles&) const = default;

private:
    std::bitset<4> bits_;
};

// One named text attribute. A colour that is not valid means "none": the editor's own colour is used.
class TSynHighlighterAttributes {
public:
    TSynHighlighterAttributes(const QString& name, TSynCustomHighlighter* owner, TFontStyles defaultStyle = {});
    TSynHighlighterAttributes(const TSynHighlighterAttributes&) = delete;
    TSynHighlighterAttributes& operator=(const TSynHighlighterAttributes&) = delete;

    const QString& name() const { return name_; }
    QColor Foreground() const { return foreground_; }
    QColor Background() const { return background_; }
    TFontStyles Style() const { return style_; }

    // Setters store a differing value and notify the owner; an equal value changes nothing.
    void setForeground(const QColor& colour);
    void setBackground(const QColor& colour);
    void setStyle(TFontStyles style);

private:
    void changed();

    QString name_;
    TSynCustomHighlighter* owner_;
    QColor foreground_;
    QColor background_;
    TFontStyles style_;
};

// What an editor offers to be told of attribute changes (the editor redraws).
class TSynHighlighterClient {
public:
    virtual void highlighterAttributesChanged(TSynCustomHighlighter* highlighter) = 0;
    // The highlighter goes away: the client must drop its reference.
    virtual void highlighterDestroyed(TSynCustomHighlighter* highlighter) = 0;

protected:
    ~TSynHighlighterClient() = default;
};

// Roles an editor may ask a default attribute for.
enum class THighlighterRole { Comment, Identifier, Keyword, String, Whitespace, Symbol, Other };

class TSynCustomHighlighter {
public:
    TSynCustomHighlighter();
    virtual ~TSynCustomHighlighter();
    TSynCustomHighlighter(const TSynCustomHighlighter&) = delete;
    TSynCustomHighlighter& operator=(const TSynCustomHighlighter&) = delete;

    // Instance name ("SynAsmSyn88").
    const QString& name() const { return name_; }
    void setName(const QString& name) { name_ = name; }

    QString DefaultFilter() const { return defaultFilter_; }
    void setDefaultFilter(const QString& filter) { defaultFilter_ = filter; }

    // Attributes kept sorted by name; the owner's attributes are owned by the highlighter.
    const std::vector<TSynHighlighterAttributes*>& attributes() const { return attributes_; }
    TSynHighlighterAttributes* attribute(const QString& name) const;

    // The scanning interface an editor drives for each line it draws.
    virtual void StartLine(QByteArrayView line, int lineNumber) = 0;
    virtual void NextToken() = 0;
    virtual bool AtLineEnd() const = 0;
    virtual QByteArray TokenText() const = 0;
    virtual int TokenStart() const = 0;
    // The token's length in bytes, without copying it.
    virtual int TokenLength() const { return static_cast<int>(TokenText().size()); }
    virtual int TokenKind() const = 0;
    virtual TSynHighlighterAttributes* TokenAttribute() const = 0;
    virtual TSynHighlighterAttributes* DefaultAttribute(THighlighterRole role) const = 0;
    // The attribute tokens of a kind are drawn with (null: the editor's plain text); editors style by kind.
    virtual TSynHighlighterAttributes* KindAttribute(int kind) const = 0;
    // The 256-byte set of word characters.
    virtual const std::bitset<256>& WordChars() const = 0;

    // Editors to notify.
    void hookClient(TSynHighlighterClient* client);
    void unhookClient(TSynHighlighterClient* client);

    // Changes between BeginUpdate and the matching EndUpdate send one notification at the end.
    void BeginUpdate();
    void EndUpdate();
    // While loading (creation with stored values) nothing is sent; EndLoading sends one notification.
    void BeginLoading() { ++loading_; }
    void EndLoading();

    // How many notifications were sent (for inspection).
    int notificationCount() const { return notifications_; }

protected:
    // Adds an attribute (taking ownership) in name order; a second one with an existing name is refused (false,
    // and the attribute is deleted).
    bool AddAttribute(TSynHighlighterAttributes* attribute);

private:
    friend class TSynHighlighterAttributes;
    void attributeChanged();
    void notify();

    QString name_;
    QString defaultFilter_;
    std::vector<TSynHighlighterAttributes*> attributes_;
    std::vector<TSynHighlighterClient*> clients_;
    int updateCount_ = 0;
    int loading_ = 0;
    bool pending_ = false;
    int notifications_ = 0;
};
