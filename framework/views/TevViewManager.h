#pragma once
// The script's panels. For now it keeps their definitions as read.
#include "core/TevScript.h"

class CTevViewManager {
public:
    CTevTypeDefinitions m_panelTypeDefinitions;
    CTevElementDefinitions m_rootPanelDefinitions;
};
