#pragma once
// The parameter model's owner. For now it keeps the struct definitions
// read from the script; converting them into the model comes with it.
#include "core/TevScript.h"

class CTevBufferManager {
public:
    virtual ~CTevBufferManager() = default;

    CTevTypeDefinitions m_structTypeDefinitions;
    CTevElementDefinitions m_rootStructDefinitions;
    CTevElementDefinitions m_midiStructDefinitions;
};
