#include "boards/U_310X1.h"

TFrm310x1* Frm310x1 = nullptr;

TFrm310x1::TFrm310x1(QWidget* parent) : BoardForm(QStringLiteral("QK310X"), parent) {}

TFrm310x1::~TFrm310x1() {
    if (Frm310x1 == this)
        Frm310x1 = nullptr;
}
