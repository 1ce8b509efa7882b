#include "source/SynEditHighlighter.h"

#include <algorithm>

TSynHighlighterAttributes::TSynHighlighterAttributes(const QString& name, TSynCustomHighlighter* owner,
                                                     TFontStyles defaultStyle)
    : name_(name), owner_(owner), style_(defaultStyle) {}

void TSynHighlighterAttributes::setForeground(const QColor& colour) {
    if (colour == foreground_)
        return;
    foreground_ = colour;
    changed();
}

void TSynHighlighterAttributes::setBackground(const QColor& colour) {
    if (colour == background_)
        return;
    background_ = colour;
    changed();
}

void TSynHighlighterAttributes::setStyle(TFontStyles style) {
    if (style == style_)
        return;
    style_ = style;
    changed();
}

void TSynHighlighterAttributes::changed() {
    if (owner_)
        owner_->attributeChanged();
}

TSynCustomHighlighter::TSynCustomHighlighter() = default;

TSynCustomHighlighter::~TSynCustomHighlighter() {
    // Clients may unhook while being told; work on a copy.
    const auto clients = clients_;
    for (TSynHighlighterClient* c : clients)
        c->highlighterDestroyed(this);
    for (TSynHighlighterAttributes* a : attributes_)
        delete a;
}

TSynHighlighterAttributes* TSynCustomHighlighter::attribute(const QString& name) const {
    const auto it = std::lower_bound(attributes_.begin(), attributes_.end(), name,
                                     [](const TSynHighlighterAttributes* a, const QString& n) { return a->name() < n; });
    return (it != attributes_.end() && (*it)->name() == name) ? *it : nullptr;
}

bool TSynCustomHighlighter::AddAttribute(TSynHighlighterAttributes* attribute) {
    const auto it = std::lower_bound(attributes_.begin(), attributes_.end(), attribute->name(),
                                     [](const TSynHighlighterAttributes* a, const QString& n) { return a->name() < n; });
    if (it != attributes_.end() && (*it)->name() == attribute->name()) {
        delete attribute;
        return false;
    }
    attributes_.insert(it, attribute);
    return true;
}

void TSynCustomHighlighter::hookClient(TSynHighlighterClient* client) {
    if (std::find(clients_.begin(), clients_.end(), client) == clients_.end())
        clients_.push_back(client);
}

void TSynCustomHighlighter::unhookClient(TSynHighlighterClient* client) {
    clients_.erase(std::remove(clients_.begin(), clients_.end(), client), clients_.end());
}

void TSynCustomHighlighter::BeginUpdate() { ++updateCount_; }

void TSynCustomHighlighter::EndUpdate() {
    if (updateCount_ == 0)
        return;
    if (--updateCount_ == 0 && pending_ && loading_ == 0)
        notify();
}

void TSynCustomHighlighter::EndLoading() {
    if (loading_ == 0)
        return;
    if (--loading_ > 0)
        return;
    if (updateCount_ == 0)
        notify();
    else
        pending_ = true;
}

void TSynCustomHighlighter::attributeChanged() {
    if (updateCount_ > 0 || loading_ > 0) {
        pending_ = true;
        return;
    }
    notify();
}

void TSynCustomHighlighter::notify() {
    pending_ = false;
    ++notifications_;
    const auto clients = clients_;
    for (TSynHighlighterClient* c : clients)
        c->highlighterAttributesChanged(this);
}
