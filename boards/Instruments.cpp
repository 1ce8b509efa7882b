#include "boards/Instruments.h"

#include "base/ErrorReport.h"
#include "boards/BoardForm.h"
#include "widgets/iComponent.h"
#include "widgets/iLCDMatrix.h"
#include "widgets/iLedMatrix.h"
#include "widgets/iLedRound.h"
#include "widgets/iMotor.h"
#include "widgets/iPhonePad.h"
#include "widgets/iSevenSegmentCharacter.h"
#include "widgets/iSwitchRocker.h"
#include "widgets/iSwitchRocker3Way.h"

#include <QApplication>
#include <QJsonValue>
#include <QMetaProperty>
#include <QPalette>

namespace boards {

TRadioButton::TRadioButton(QWidget* parent) : QRadioButton(parent) {
    // Unchecking by code must work although the key is alone on its parent.
    setAutoExclusive(false);
}

void TRadioButton::mousePressEvent(QMouseEvent* event) {
    QRadioButton::mousePressEvent(event);
    if (onMouseDown)
        onMouseDown();
}

void TRadioButton::mouseReleaseEvent(QMouseEvent* event) {
    QRadioButton::mouseReleaseEvent(event);
    if (onMouseUp)
        onMouseUp();
}

void TRadioButton::nextCheckState() {
    if (!isChecked())
        setChecked(true);
}

namespace {

using Maker = QWidget* (*)(QWidget*);

template <class W>
QWidget* make(QWidget* parent) {
    return new W(parent);
}

struct ClassEntry {
    const char* name;
    Maker make;
};
constexpr ClassEntry kClasses[] = {
    {"TiSevenSegmentCharacter", &make<TiSevenSegmentCharacter>},
    {"TiLedRound", &make<TiLedRound>},
    {"TiLed", &make<TiLed>},
    {"TiLedMatrix", &make<TiLedMatrix>},
    {"TiLCDMatrix", &make<TiLCDMatrix>},
    {"TiMotor", &make<TiMotor>},
    {"TiPhonePad", &make<TiPhonePad>},
    {"TiSwitchRocker", &make<TiSwitchRocker>},
    {"TiSwitchRocker3Way", &make<TiSwitchRocker3Way>},
    {"TRadioButton", &make<TRadioButton>},
};

struct SystemColour {
    const char* name;
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};
constexpr SystemColour kSystemColours[] = {
    {"clBtnFace", QPalette::Active, QPalette::Button},
    {"cl3DLight", QPalette::Active, QPalette::Midlight},
    {"clWindowText", QPalette::Active, QPalette::WindowText},
    {"clHighlightText", QPalette::Active, QPalette::HighlightedText},
    {"clWindow", QPalette::Active, QPalette::Base},
    {"clHighlight", QPalette::Active, QPalette::Highlight},
};

[[noreturn]] void fail(const Component& c, const QString& what) {
    throw Error(QStringLiteral("Instrument %1 (%2): %3").arg(c.name, c.widgetClass, what));
}

// The stored font and colour settings of the widgets that draw text with the widget's own font.
bool applyFontSetting(QWidget* w, const Component& c, const QString& key, const QJsonValue& v) {
    if (key == u"FontName") {
        QFont f = w->font();
        f.setFamily(v.toString());
        w->setFont(f);
    } else if (key == u"FontPixelSize") {
        QFont f = w->font();
        if (v.toInt() <= 0)
            fail(c, QStringLiteral("FontPixelSize must be positive"));
        f.setPixelSize(v.toInt());
        w->setFont(f);
    } else if (key == u"FontColor") {
        QPalette p = w->palette();
        p.setColor(QPalette::WindowText, storedColour(v.toString()));
        p.setColor(QPalette::ButtonText, storedColour(v.toString()));
        w->setPalette(p);
    } else if (key == u"Color") {
        // A plain control's background.
        QPalette p = w->palette();
        p.setColor(QPalette::Window, storedColour(v.toString()));
        w->setPalette(p);
        w->setAutoFillBackground(true);
    } else {
        return false;
    }
    return true;
}

QVariant propertyValue(const Component& c, const QMetaProperty& mp, const QString& key, const QJsonValue& v) {
    if (mp.metaType().id() == QMetaType::QColor) {
        if (!v.isString())
            fail(c, QStringLiteral("%1 must be a colour text").arg(key));
        return storedColour(v.toString());
    }
    if (mp.isEnumType()) {
        bool ok = false;
        const int value = mp.enumerator().keyToValue(v.toString().toLatin1().constData(), &ok);
        if (!ok)
            fail(c, QStringLiteral("%1 has no value \"%2\"").arg(key, v.toString()));
        return value;
    }
    QVariant value = v.toVariant();
    if (!value.canConvert(mp.metaType()) || !value.convert(mp.metaType()))
        fail(c, QStringLiteral("%1 cannot take the value %2").arg(key, v.toVariant().toString()));
    return value;
}

void applySettings(QWidget* w, const Component& c) {
    const QMetaObject* mo = w->metaObject();
    for (auto it = c.properties.begin(); it != c.properties.end(); ++it) {
        const QString key = it.key();
        if (isHandlerSetting(key) || applyFontSetting(w, c, key, it.value()))
            continue;
        const int pi = mo->indexOfProperty(key.toLatin1().constData());
        if (pi < 0)
            fail(c, QStringLiteral("no property %1").arg(key));
        const QMetaProperty mp = mo->property(pi);
        if (!mp.write(w, propertyValue(c, mp, key, it.value())))
            fail(c, QStringLiteral("%1 cannot be set").arg(key));
    }
}

} // namespace

QColor storedColour(const QString& text) {
    if (text.startsWith(u'#')) {
        const QColor colour = QColor::fromString(text);
        if (colour.isValid())
            return colour;
    }
    for (const SystemColour& s : kSystemColours)
        if (text == QLatin1String(s.name))
            return QApplication::palette().color(s.group, s.role);
    throw Error(QStringLiteral("Unknown colour \"%1\"").arg(text));
}

bool isHandlerSetting(const QString& key) { return key.size() > 2 && key.startsWith(u"On") && key[2].isUpper(); }

QWidget* createInstrument(const Component& c, QWidget* parent) {
    Maker maker = nullptr;
    for (const ClassEntry& e : kClasses)
        if (c.widgetClass == QLatin1String(e.name))
            maker = e.make;
    if (!maker)
        fail(c, QStringLiteral("unknown class"));
    QWidget* w = maker(parent);
    w->setObjectName(c.name);
    try {
        if (auto* ti = qobject_cast<TiComponent*>(w)) {
            ti->BeginLoad();
            if (auto* lcd = qobject_cast<TiLCDMatrix*>(w))
                lcd->UseBoardsCharacterSet(); // the set stored with the boards' LCDs
            if (c.hasHint)
                ti->setHint(c.hint);
            ti->setShowHint(c.showHint);
            applySettings(w, c);
            ti->SetBounds(c.rect.left(), c.rect.top(), c.rect.width(), c.rect.height());
            ti->EndLoad();
        } else {
            if (auto* button = qobject_cast<QAbstractButton*>(w))
                button->setText(c.caption);
            if (c.hasHint && c.showHint)
                w->setToolTip(c.hint);
            applySettings(w, c);
            w->setGeometry(c.rect);
        }
    } catch (...) {
        delete w;
        throw;
    }
    return w;
}

void wireInstrumentClicks(BoardForm& form) {
    const QList<Component>& components = form.layout().components; // kinds only: the stored list will do
    for (int i = 0; i < components.size(); ++i) {
        if (components[i].kind != ComponentKind::Widget || !form.clickWired(i))
            continue;
        auto* ti = qobject_cast<TiComponent*>(form.widgetOf(i));
        if (!ti)
            continue;
        QObject::connect(ti, &TiComponent::clicked, &form,
                         [&form, i] { errorreport::guarded([&] { form.sb_cpuClick(i); }); });
    }
}

} // namespace boards
