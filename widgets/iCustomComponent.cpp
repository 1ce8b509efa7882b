#include "widgets/iCustomComponent.h"

TiCustomComponent::TiCustomComponent(QWidget* parent) : TiVCLComponent(parent) {}

TiCustomComponent::~TiCustomComponent() = default;
