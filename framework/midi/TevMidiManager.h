#pragma once
// The script's MIDI ports. For now it keeps their definitions as read.
#include "core/TevScript.h"

class CTevMidiManager {
public:
    CTevElementDefinitions m_inputPortDefinitions;
    CTevElementDefinitions m_outputPortDefinitions;
};
