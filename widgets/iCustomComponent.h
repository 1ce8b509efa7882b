#pragma once
// TiCustomComponent: the class every instrument widget derives from; it adds nothing of its own.
#include "widgets/iVCLComponent.h"

class TiCustomComponent : public TiVCLComponent {
    Q_OBJECT

public:
    explicit TiCustomComponent(QWidget* parent = nullptr);
    ~TiCustomComponent() override;
};
