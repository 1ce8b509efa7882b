#pragma once
// The board view form of board QK740X.
#include "boards/BoardForm.h"

class TFRM_QK740X : public BoardForm {
    Q_OBJECT
public:
    explicit TFRM_QK740X(QWidget* parent = nullptr);
    ~TFRM_QK740X() override;
};

// The program's one TFRM_QK740X; the main window creates it at start.
extern TFRM_QK740X* FRM_QK740X;
