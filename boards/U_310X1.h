#pragma once
// The board view form of board QK310X.
#include "boards/BoardForm.h"

class TFrm310x1 : public BoardForm {
    Q_OBJECT
public:
    explicit TFrm310x1(QWidget* parent = nullptr);
    ~TFrm310x1() override;
};

// The program's one TFrm310x1; the main window creates it at start.
extern TFrm310x1* Frm310x1;
