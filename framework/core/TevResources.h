#pragma once
// The script's resources. For now it keeps their definitions as read.
#include "core/TevScript.h"

class CTevResourceManager {
public:
    CTevElementDefinitions m_bitmapDefinitions;
    CTevElementDefinitions m_textWriterDefinitions;
    CTevElementDefinitions m_stringTableDefinitions;
    CTevElementDefinitions m_numberTableDefinitions;
};
