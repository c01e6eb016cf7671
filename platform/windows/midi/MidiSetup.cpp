#include "midi/MidiSetup.h"

#include "appkit/WinApp.h"
#include "core/TevManager.h"
#include "midi/MidiInDevice.h"
#include "midi/MidiOut.h"
#include "midi/TevMidiManager.h"

#include <cstdio>
#include <memory>

const char* const CMidiSetup::kNoDevice = "(none)";

namespace {

const char kInSection[] = "MIDIInConnection";
const char kOutSection[] = "MIDIOutConnection";

std::string Key(const char* format, size_t index)
{
    char key[64];
    std::snprintf(key, sizeof key, format, static_cast<int>(index));
    return key;
}

// A SysEx device id travels inside the message as a data byte.
bool IsDeviceId(int id)
{
    return id >= 0 && id <= 0x7F;
}

// The device of that name among the open ones of one direction; opened and
// added when it is not there yet. Null when it cannot be opened.
template <class TDevice, class TDevices>
TDevice* FindOrOpenDevice(TDevices& devices, const std::string& name)
{
    for (size_t i = 0; i < devices.GetCount(); ++i) {
        auto* device = dynamic_cast<TDevice*>(devices.GetAt(i));
        if (device && device->GetName() == name)
            return device;
    }
    auto device = std::make_unique<TDevice>(name);
    if (!device->Open())
        return nullptr;
    TDevice* opened = device.get();
    devices.Add(std::move(device));
    return opened;
}

// The names of the devices of one direction whose capabilities can be
// read, then the choice of none.
std::vector<std::string> DeviceNames(UINT(WINAPI* countDevices)(), bool (*hasCaps)(UINT),
                                     std::string (*nameOf)(UINT))
{
    std::vector<std::string> names;
    const UINT count = countDevices();
    for (UINT id = 0; id < count; ++id) {
        if (hasCaps(id))
            names.push_back(nameOf(id));
    }
    names.push_back(CMidiSetup::kNoDevice);
    return names;
}

} // namespace

CMidiSetup::CMidiSetup(CTevMidiManager* midiManager) : m_midiManager(midiManager) {}

CTevMidiManager& CMidiSetup::GetMidiManager() const
{
    return m_midiManager ? *m_midiManager : CTevManager::Instance().m_midiManager;
}

CMidiInDevice* CMidiSetup::GetInDevice(const std::string& name)
{
    return FindOrOpenDevice<CMidiInDevice>(GetMidiManager().GetInputDevices(), name);
}

CMidiOutDevice* CMidiSetup::GetOutDevice(const std::string& name)
{
    return FindOrOpenDevice<CMidiOutDevice>(GetMidiManager().GetOutputDevices(), name);
}

std::vector<std::string> CMidiSetup::GetInDeviceNames()
{
    return DeviceNames(&midiInGetNumDevs, &HasMidiInDeviceCaps, &GetMidiInDeviceName);
}

std::vector<std::string> CMidiSetup::GetOutDeviceNames()
{
    return DeviceNames(&midiOutGetNumDevs, &HasMidiOutDeviceCaps, &GetMidiOutDeviceName);
}

void CMidiSetup::BindInPort(CTevMidiIn& port, const std::string& deviceName, int deviceId)
{
    if (IsDeviceId(deviceId))
        port.SetDeviceId(static_cast<uint8_t>(deviceId));
    m_inChoices[port.GetName()] = deviceName;
    if (deviceName == kNoDevice)
        return;
    if (CMidiInDevice* device = GetInDevice(deviceName))
        device->AddListener(&port);
}

void CMidiSetup::BindOutPort(CTevMidiOut& port, const std::string& deviceName, int deviceId)
{
    if (IsDeviceId(deviceId))
        port.SetDeviceId(static_cast<uint8_t>(deviceId));
    m_outChoices[port.GetName()] = deviceName;
    if (deviceName == kNoDevice)
        return;
    if (CMidiOutDevice* device = GetOutDevice(deviceName))
        port.SetDevice(device);
}

void CMidiSetup::BindInPortByName(const std::string& portName, const std::string& deviceName, int deviceId)
{
    if (CTevMidiIn* port = GetMidiManager().FindMidiInByName(portName))
        BindInPort(*port, deviceName, deviceId);
}

void CMidiSetup::BindOutPortByName(const std::string& portName, const std::string& deviceName, int deviceId)
{
    if (CTevMidiOut* port = GetMidiManager().FindMidiOutByName(portName))
        BindOutPort(*port, deviceName, deviceId);
}

std::string CMidiSetup::GetInDeviceName(const CTevMidiIn& port) const
{
    CTevMidiInDevices& devices = GetMidiManager().GetInputDevices();
    for (size_t i = 0; i < devices.GetCount(); ++i) {
        auto* device = dynamic_cast<CMidiInDevice*>(devices.GetAt(i));
        if (device && device->HasListener(&port))
            return device->GetName();
    }
    return kNoDevice;
}

std::string CMidiSetup::GetOutDeviceName(const CTevMidiOut& port) const
{
    if (auto* device = dynamic_cast<CMidiOutDevice*>(port.GetDevice()))
        return device->GetName();
    return kNoDevice;
}

std::string CMidiSetup::GetInDeviceChoice(const CTevMidiIn& port) const
{
    const auto choice = m_inChoices.find(port.GetName());
    return choice != m_inChoices.end() ? choice->second : GetInDeviceName(port);
}

std::string CMidiSetup::GetOutDeviceChoice(const CTevMidiOut& port) const
{
    const auto choice = m_outChoices.find(port.GetName());
    return choice != m_outChoices.end() ? choice->second : GetOutDeviceName(port);
}

bool CMidiSetup::CloseDevices()
{
    // Stopping an input device pumps this thread's messages: a command run
    // meanwhile must not close (or bind) devices that are being closed.
    if (m_closing)
        return false;
    m_closing = true;
    CTevMidiManager& midi = GetMidiManager();
    for (CTevMidiOut& port : midi.GetOutputPorts())
        port.SetDevice(nullptr);
    midi.GetInputDevices().DeleteAll();
    midi.GetOutputDevices().DeleteAll();
    m_inChoices.clear();
    m_outChoices.clear();
    m_closing = false;
    return true;
}

void CMidiSetup::Load()
{
    if (!CloseDevices())
        return;
    CWinApp* app = GetApp();
    if (!app)
        return;
    CTevMidiManager& midi = GetMidiManager();
    // Bound by name: a port the profile names that the script no longer has
    // binds nothing. The sizes are taken first; binding changes no port list.
    const size_t inCount = midi.GetInputPorts().size();
    for (size_t i = 0; i < inCount; ++i) {
        const CTevMidiIn& port = midi.GetInputPorts()[i];
        const std::string name = app->GetProfileString(kInSection, Key("MIDIIn%d", i), port.GetName());
        const std::string device = app->GetProfileString(kInSection, Key("MIDIInDevice%d", i), kNoDevice);
        const int id = app->GetProfileInt(kInSection, Key("MIDIInDeviceId%d", i), port.GetDeviceId());
        BindInPortByName(name, device, id);
    }
    const size_t outCount = midi.GetOutputPorts().size();
    for (size_t i = 0; i < outCount; ++i) {
        const CTevMidiOut& port = midi.GetOutputPorts()[i];
        const std::string name = app->GetProfileString(kOutSection, Key("MIDIOut%d", i), port.GetName());
        const std::string device = app->GetProfileString(kOutSection, Key("MIDIOutDevice%d", i), kNoDevice);
        const int id = app->GetProfileInt(kOutSection, Key("MIDIOutDeviceId%d", i), port.GetDeviceId());
        BindOutPortByName(name, device, id);
    }
}

void CMidiSetup::Save()
{
    CWinApp* app = GetApp();
    if (!app)
        return;
    CTevMidiManager& midi = GetMidiManager();
    const std::vector<CTevMidiIn>& inputs = midi.GetInputPorts();
    for (size_t i = 0; i < inputs.size(); ++i) {
        app->WriteProfileString(kInSection, Key("MIDIIn%d", i), inputs[i].GetName());
        app->WriteProfileString(kInSection, Key("MIDIInDevice%d", i), GetInDeviceChoice(inputs[i]));
        app->WriteProfileInt(kInSection, Key("MIDIInDeviceId%d", i), inputs[i].GetDeviceId());
    }
    const std::vector<CTevMidiOut>& outputs = midi.GetOutputPorts();
    for (size_t i = 0; i < outputs.size(); ++i) {
        app->WriteProfileString(kOutSection, Key("MIDIOut%d", i), outputs[i].GetName());
        app->WriteProfileString(kOutSection, Key("MIDIOutDevice%d", i), GetOutDeviceChoice(outputs[i]));
        app->WriteProfileInt(kOutSection, Key("MIDIOutDeviceId%d", i), outputs[i].GetDeviceId());
    }
}

// ---------------------------------------------------------------------------

void FillDeviceCombo(HWND combo, const std::vector<std::string>& names, const std::string& current)
{
    ::SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (const std::string& name : names) {
        const LRESULT index = ::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        if (name == current)
            ::SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
}

void FillNumberCombo(HWND combo, int lowest, int highest, int current)
{
    ::SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (int number = lowest; number <= highest; ++number) {
        const std::string text = std::to_string(number + 1);
        ::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    const WPARAM selection = current >= lowest && current <= highest ? static_cast<WPARAM>(current - lowest)
                                                                     : static_cast<WPARAM>(-1);
    ::SendMessageA(combo, CB_SETCURSEL, selection, 0);
}

std::string GetControlText(HWND control)
{
    const int length = ::GetWindowTextLengthA(control);
    std::string text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    const int copied = ::GetWindowTextA(control, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

CMidiSetupPage::CMidiSetupPage(CMidiSetup& setup, HWND dialog, std::vector<SDeviceRow> inRows,
                               std::vector<SDeviceRow> outRows, std::vector<SThruRow> thruRows)
    : m_setup(setup),
      m_dialog(dialog),
      m_inRows(std::move(inRows)),
      m_outRows(std::move(outRows)),
      m_thruRows(std::move(thruRows))
{
}

void CMidiSetupPage::Fill()
{
    m_setup.Load();
    const std::vector<std::string> inNames = CMidiSetup::GetInDeviceNames();
    const std::vector<std::string> outNames = CMidiSetup::GetOutDeviceNames();
    CTevMidiManager& midi = m_setup.GetMidiManager();
    for (size_t i = 0; i < m_inRows.size(); ++i) {
        const SDeviceRow& row = m_inRows[i];
        if (i < midi.GetInputPorts().size()) {
            const CTevMidiIn& port = midi.GetInputPorts()[i];
            FillDeviceCombo(Item(row.deviceCombo), inNames, m_setup.GetInDeviceChoice(port));
            FillNumberCombo(Item(row.deviceIdCombo), row.lowestDeviceId, row.highestDeviceId, port.GetDeviceId());
        } else {
            ::EnableWindow(Item(row.deviceCombo), FALSE);
            ::EnableWindow(Item(row.deviceIdCombo), FALSE);
        }
    }
    for (size_t i = 0; i < m_outRows.size(); ++i) {
        const SDeviceRow& row = m_outRows[i];
        if (i < midi.GetOutputPorts().size()) {
            const CTevMidiOut& port = midi.GetOutputPorts()[i];
            FillDeviceCombo(Item(row.deviceCombo), outNames, m_setup.GetOutDeviceChoice(port));
            FillNumberCombo(Item(row.deviceIdCombo), row.lowestDeviceId, row.highestDeviceId, port.GetDeviceId());
        } else {
            ::EnableWindow(Item(row.deviceCombo), FALSE);
            ::EnableWindow(Item(row.deviceIdCombo), FALSE);
        }
    }
    // There are no thru connections between devices.
    for (const SThruRow& row : m_thruRows) {
        ::EnableWindow(Item(row.inDeviceCombo), FALSE);
        ::EnableWindow(Item(row.outDeviceCombo), FALSE);
    }
}

std::string CMidiSetupPage::ChosenName(const SDeviceRow& row, const std::string& choice) const
{
    const std::string text = GetControlText(Item(row.deviceCombo));
    return text.empty() ? choice : text;
}

int CMidiSetupPage::SelectedDeviceId(const SDeviceRow& row) const
{
    // No selection gives -1, an id that binding ignores: the port keeps its
    // own (the row's lowest id less one would be a valid id).
    const LRESULT index = ::SendMessageA(Item(row.deviceIdCombo), CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? -1 : static_cast<int>(index) + row.lowestDeviceId;
}

bool CMidiSetupPage::Apply()
{
    CTevMidiManager& midi = m_setup.GetMidiManager();
    // Read before the devices close, which forgets the choices.
    std::vector<std::string> inNames, outNames;
    for (size_t i = 0; i < m_inRows.size() && i < midi.GetInputPorts().size(); ++i)
        inNames.push_back(ChosenName(m_inRows[i], m_setup.GetInDeviceChoice(midi.GetInputPorts()[i])));
    for (size_t i = 0; i < m_outRows.size() && i < midi.GetOutputPorts().size(); ++i)
        outNames.push_back(ChosenName(m_outRows[i], m_setup.GetOutDeviceChoice(midi.GetOutputPorts()[i])));
    if (!m_setup.CloseDevices())
        return false;
    for (size_t i = 0; i < inNames.size(); ++i)
        m_setup.BindInPort(midi.GetInputPorts()[i], inNames[i], SelectedDeviceId(m_inRows[i]));
    for (size_t i = 0; i < outNames.size(); ++i)
        m_setup.BindOutPort(midi.GetOutputPorts()[i], outNames[i], SelectedDeviceId(m_outRows[i]));
    m_setup.Save();
    return true;
}
