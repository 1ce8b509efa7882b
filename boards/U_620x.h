#pragma once
// The board view form of board QK620X.
#include "boards/BoardForm.h"

class TFrm_620x : public BoardForm {
    Q_OBJECT
public:
    explicit TFrm_620x(QWidget* parent = nullptr);
    ~TFrm_620x() override;
};

// The program's one TFrm_620x; the main window creates it at start.
extern TFrm_620x* Frm_620x;
