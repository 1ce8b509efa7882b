#include "boards/U_930x.h"

Tfrm8086* frm8086 = nullptr;

Tfrm8086::Tfrm8086(QWidget* parent) : BoardForm(QStringLiteral("QK930X"), parent) {}

Tfrm8086::~Tfrm8086() {
    if (frm8086 == this)
        frm8086 = nullptr;
}
