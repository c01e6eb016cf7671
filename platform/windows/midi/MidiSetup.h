#pragma once
// Joins the script's MIDI ports to the computer's MIDI devices. Devices are
// known by their winmm product name, never by their id. The bindings are
// kept in the application's registry profile:
//   "MIDIInConnection":  "MIDIIn%d" (port name), "MIDIInDevice%d" (device
//                        name or "(none)"), "MIDIInDeviceId%d" (SysEx id)
//   "MIDIOutConnection": the same with "MIDIOut".
#include "appkit/Win32.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

class CMidiInDevice;
class CMidiOutDevice;
class CTevMidiIn;
class CTevMidiManager;
class CTevMidiOut;

class CMidiSetup {
public:
    // The name that stands for no device.
    static const char* const kNoDevice;

    // The MIDI manager whose ports and device lists are used; null: the
    // top-level manager's.
    explicit CMidiSetup(CTevMidiManager* midiManager = nullptr);
    CMidiSetup(const CMidiSetup&) = delete;
    CMidiSetup& operator=(const CMidiSetup&) = delete;
    virtual ~CMidiSetup() = default;

    // The open device of that name, or a new one opened and added to the
    // MIDI manager's list; null when it cannot be opened.
    virtual CMidiInDevice* GetInDevice(const std::string& name);
    virtual CMidiOutDevice* GetOutDevice(const std::string& name);

    // The product names of every device whose capabilities can be read, in
    // id order, then "(none)".
    static std::vector<std::string> GetInDeviceNames();
    static std::vector<std::string> GetOutDeviceNames();

    // The port takes the device id (a SysEx device id; one outside 0 to 127
    // is ignored and the port keeps its own) and, unless the name is
    // "(none)" or the device cannot be opened, listens to (is bound to) the
    // device of that name. The name stays the port's choice either way.
    void BindInPort(CTevMidiIn& port, const std::string& deviceName, int deviceId);
    void BindOutPort(CTevMidiOut& port, const std::string& deviceName, int deviceId);
    // The same for the script port of that name; an unknown name does nothing.
    void BindInPortByName(const std::string& portName, const std::string& deviceName, int deviceId);
    void BindOutPortByName(const std::string& portName, const std::string& deviceName, int deviceId);

    // The name of the device the port listens to / is bound to, or "(none)".
    std::string GetInDeviceName(const CTevMidiIn& port) const;
    std::string GetOutDeviceName(const CTevMidiOut& port) const;
    // The device the profile or the user chose for the port since the
    // devices were last closed, also one that could not be opened (busy,
    // unplugged); else the one it is bound to. A refused open keeps the
    // choice, so that the next start or set-up opens it again.
    std::string GetInDeviceChoice(const CTevMidiIn& port) const;
    std::string GetOutDeviceChoice(const CTevMidiOut& port) const;

    // Unbinds every output port, closes and deletes every open device and
    // forgets the ports' choices. False, doing nothing, when called again
    // while it runs.
    bool CloseDevices();
    // Closes every device, then binds every port as the profile says,
    // opening the devices it names. Nothing while devices are being closed.
    void Load();
    // Writes every port's choice of device and its device id to the profile.
    void Save();

    CTevMidiManager& GetMidiManager() const;

private:
    CTevMidiManager* m_midiManager;
    // Thru connections between devices: none are made.
    std::vector<std::pair<std::string, std::string>> m_thruConnections;
    // Each port's choice of device, by port name.
    std::map<std::string, std::string> m_inChoices;
    std::map<std::string, std::string> m_outChoices;
    bool m_closing = false;
};

// Fills and reads the combo boxes of the MIDI set-up dialog. Row i of the
// input table belongs to the script's input port i, row i of the output
// table to output port i.
class CMidiSetupPage {
public:
    struct SDeviceRow {
        int deviceCombo = 0;
        int deviceIdCombo = 0;
        int lowestDeviceId = 0;
        int highestDeviceId = 0;
    };
    struct SThruRow {
        int inDeviceCombo = 0;
        int outDeviceCombo = 0;
    };

    CMidiSetupPage(CMidiSetup& setup, HWND dialog, std::vector<SDeviceRow> inRows, std::vector<SDeviceRow> outRows,
                   std::vector<SThruRow> thruRows);

    // When the dialog opens: reloads the set-up from the profile and shows
    // each port's choice; rows without a port are disabled.
    void Fill();
    // On OK: binds the ports as the combo boxes say and saves the profile;
    // a combo box showing no device (its device is not installed) keeps
    // the port's choice. Nothing while devices are being closed: false then.
    bool Apply();

private:
    HWND Item(int id) const { return ::GetDlgItem(m_dialog, id); }
    // The device the row's combo box shows; the port's choice when it
    // shows none.
    std::string ChosenName(const SDeviceRow& row, const std::string& choice) const;
    // The id the row's combo box selects; -1 for none.
    int SelectedDeviceId(const SDeviceRow& row) const;

    CMidiSetup& m_setup;
    HWND m_dialog;
    std::vector<SDeviceRow> m_inRows;
    std::vector<SDeviceRow> m_outRows;
    std::vector<SThruRow> m_thruRows;
};

// Empties the combo, adds the names in order and selects the one equal to
// current (none when it is absent).
void FillDeviceCombo(HWND combo, const std::vector<std::string>& names, const std::string& current);
// Empties the combo, adds the numbers lowest + 1 to highest + 1 and selects
// the one of current + 1.
void FillNumberCombo(HWND combo, int lowest, int highest, int current);
std::string GetControlText(HWND control);
