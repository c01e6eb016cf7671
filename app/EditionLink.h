#pragma once
// The shell's one door into the edition layer. Both programs are built from
// the same shell sources; the edition layer they link decides what the
// program is. Everything the shell asks of the edition goes through here.
#include <string>
#include <vector>

class CTevTextOut;

namespace TevEdition {

// Data of the edition in use.
const char* DocumentExtension();
const char* DocumentTypeId();
const char* DocumentDescription();
const char* ScriptName();
// The device family's name, shown by the MIDI set-up dialog.
const char* FamilyName();

// Starts the edition layer with a new reader (reporting its codes to the
// status sink), writer and dialog factory. True once started.
bool Start(CTevTextOut* statusSink);
// Resets the device and saves the skin.
void End();
// Whether the first input and output ports have open devices.
bool IsMidiConnected();
// The bulk read of the device with the progress dialog.
bool ReadFromDevice();
std::vector<std::string> GetSkinNames();
int GetSkin();
void SetSkin(int skin);
// 0..15.
int GetReceiveChannel();
// Sets and sends the device's receive channel; a negative channel (no
// selection) changes nothing.
void SetReceiveChannel(int channel);

} // namespace TevEdition
