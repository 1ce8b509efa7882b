#pragma once
// The board view form of board QK930X.
#include "boards/BoardForm.h"

class Tfrm8086 : public BoardForm {
    Q_OBJECT
public:
    explicit Tfrm8086(QWidget* parent = nullptr);
    ~Tfrm8086() override;
};

// The program's one Tfrm8086; the main window creates it at start.
extern Tfrm8086* frm8086;
