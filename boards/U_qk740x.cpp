#include "boards/U_qk740x.h"

TFRM_QK740X* FRM_QK740X = nullptr;

TFRM_QK740X::TFRM_QK740X(QWidget* parent) : BoardForm(QStringLiteral("QK740X"), parent) {}

TFRM_QK740X::~TFRM_QK740X() {
    if (FRM_QK740X == this)
        FRM_QK740X = nullptr;
}
