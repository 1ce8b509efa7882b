#include "boards/U_620x.h"

TFrm_620x* Frm_620x = nullptr;

TFrm_620x::TFrm_620x(QWidget* parent) : BoardForm(QStringLiteral("QK620X"), parent) {}

TFrm_620x::~TFrm_620x() {
    if (Frm_620x == this)
        Frm_620x = nullptr;
}
