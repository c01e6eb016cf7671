#include "Dialogs.h"

#include "App.h"
#include "resource.h"

#include "midi/MidiSetup.h"
#include "shell/ListColumnWidths.h"
#include "shell/ShellUtilities.h"
#include "midi/TevMidiManager.h"

#include <commctrl.h>

#include <cstdio>

// ---------------------------------------------------------------------------
// CMidiSetupDialog
// ---------------------------------------------------------------------------

namespace {

// Each port's row: its device combo, the hidden device-id combo and the
// range of device ids offered. All four rows share one id combo.
std::vector<CMidiSetupPage::SDeviceRow> InputRows()
{
    return {{IDC_SETUP_INPUT, IDC_SETUP_DEVICE_ID, 16, 31}, {IDC_SETUP_THRU_INPUT, IDC_SETUP_DEVICE_ID, 16, 31}};
}

std::vector<CMidiSetupPage::SDeviceRow> OutputRows()
{
    return {{IDC_SETUP_OUTPUT, IDC_SETUP_DEVICE_ID, 16, 31}, {IDC_SETUP_THRU_OUTPUT, IDC_SETUP_DEVICE_ID, 16, 31}};
}

// Whether one id combo serves more than one row: it then shows only the
// last row's id, which must not become every port's.
bool IdComboIsShared()
{
    int uses = 0;
    for (const auto& rows : {InputRows(), OutputRows()})
        for (const auto& row : rows)
            uses += row.deviceIdCombo == IDC_SETUP_DEVICE_ID ? 1 : 0;
    return uses > 1;
}

} // namespace

CMidiSetupDialog::CMidiSetupDialog() : CDialog(IDD_MIDI_SETUP)
{
}

CMidiSetupDialog::~CMidiSetupDialog() = default;

BOOL CMidiSetupDialog::OnInitDialog()
{
    m_page = std::make_unique<CMidiSetupPage>(TevGetApp()->GetMidiSetup(), m_hWnd, InputRows(), OutputRows(),
                                              std::vector<CMidiSetupPage::SThruRow>{});
    m_page->Fill();
    SetDlgItemText(IDC_SETUP_TARGET, TevEdition::FamilyName());
    CComboBox channels;
    channels.Attach(GetDlgItemHandle(IDC_SETUP_RECEIVE_CH));
    for (int channel = 1; channel <= 16; ++channel) {
        char text[8];
        std::snprintf(text, sizeof text, "%d", channel);
        channels.AddString(text);
    }
    channels.SetCurSel(TevEdition::GetReceiveChannel());
    channels.Detach();
    return CDialog::OnInitDialog();
}

void CMidiSetupDialog::OnOK()
{
    const int channel = static_cast<int>(::SendDlgItemMessageA(m_hWnd, IDC_SETUP_RECEIVE_CH, CB_GETCURSEL, 0, 0));
    const bool keepIds = IdComboIsShared() ||
                         ::SendDlgItemMessageA(m_hWnd, IDC_SETUP_DEVICE_ID, CB_GETCURSEL, 0, 0) == CB_ERR;
    CTevMidiManager& midi = TevGetApp()->GetMidiSetup().GetMidiManager();
    std::vector<uint8_t> inIds;
    std::vector<uint8_t> outIds;
    for (const auto& port : midi.GetInputPorts())
        inIds.push_back(port.GetDeviceId());
    for (const auto& port : midi.GetOutputPorts())
        outIds.push_back(port.GetDeviceId());

    CDialog::OnOK();
    // Refused while the devices are being closed: the ports are half
    // closed then, and saving them would write "(none)" for them.
    if (m_page->Apply() && keepIds) {
        for (size_t i = 0; i < inIds.size() && i < midi.GetInputPorts().size(); ++i)
            midi.GetInputPorts()[i].SetDeviceId(inIds[i]);
        for (size_t i = 0; i < outIds.size() && i < midi.GetOutputPorts().size(); ++i)
            midi.GetOutputPorts()[i].SetDeviceId(outIds[i]);
        TevGetApp()->GetMidiSetup().Save();
    }
    TevEdition::SetReceiveChannel(channel);
}

// ---------------------------------------------------------------------------
// CWriteEntityDialog
// ---------------------------------------------------------------------------

namespace {
constexpr const char* kColumnSection = "WriteEntityDialogListCtrl";
constexpr const char* kColumnKey = "ColumnWidth";
} // namespace

CWriteEntityDialog::CWriteEntityDialog() : GP::CResizeDlg(IDD_WRITE_ENTITY, CWnd::FromHandle(::GetActiveWindow()), true)
{
}

int32_t CWriteEntityDialog::Choose(const std::vector<std::string>& names, int32_t initialIndex)
{
    m_names = names;
    m_selected = initialIndex;
    return DoModal() == IDOK ? m_selected : -1;
}

std::string CWriteEntityDialog::RowNumberText(int index)
{
    char text[16];
    std::snprintf(text, sizeof text, "%3d", index + 1);
    return text;
}

BOOL CWriteEntityDialog::OnInitDialog()
{
    m_list.SubclassDlgItem(IDC_WRITE_LIST, this);
    m_list.SetExtendedStyle(LVS_EX_FULLROWSELECT);
    m_list.InsertColumn(0, "No.");
    m_list.InsertColumn(1, "Name");
    CListColumnWidths(m_list, kColumnSection, kColumnKey).Load();
    for (size_t i = 0; i < m_names.size(); ++i) {
        const int row = m_list.InsertItem(static_cast<int>(i), RowNumberText(static_cast<int>(i)));
        m_list.SetItemText(row, 1, m_names[i]);
    }
    if (m_selected >= 0 && m_selected < static_cast<int32_t>(m_names.size())) {
        m_list.SetItemState(m_selected, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ::SendMessageA(m_list.GetSafeHwnd(), LVM_ENSUREVISIBLE, static_cast<WPARAM>(m_selected), FALSE);
    }
    return GP::CResizeDlg::OnInitDialog();
}

void CWriteEntityDialog::OnOK()
{
    m_selected = m_list.GetNextItem(-1, LVNI_SELECTED);
    GP::CResizeDlg::OnOK();
}

void CWriteEntityDialog::GetPlacementProfile(std::string& section, std::string& key)
{
    section = "Window";
    key = "WriteEntityDialogSize";
}

void CWriteEntityDialog::GetSizeProfile(std::string& section, std::string& key)
{
    // An entry of its own: the size ("w,h") must not share a key with the
    // placement ("l,t,r,b") that is written after it.
    section = "Window";
    key = "WriteEntityDialogExtent";
}

void CWriteEntityDialog::Layout(int, int)
{
    GP::CResizeLayout layout(*this, GetTemplate());
    layout.Place(IDC_WRITE_LIST, GP::kAnchorLeft | GP::kAnchorRight | GP::kAnchorTop | GP::kAnchorBottom);
    layout.Place(IDOK, GP::kAnchorRight | GP::kAnchorTop);
    layout.Place(IDCANCEL, GP::kAnchorRight | GP::kAnchorTop);
}

LRESULT CWriteEntityDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY && m_list.GetSafeHwnd())
        CListColumnWidths(m_list, kColumnSection, kColumnKey).Save();
    return GP::CResizeDlg::WindowProc(message, wParam, lParam);
}

// ---------------------------------------------------------------------------
// CAboutDialog
// ---------------------------------------------------------------------------

CAboutDialog::CAboutDialog() : CDialog(IDD_ABOUTBOX)
{
}

std::string CAboutDialog::VersionText(const std::string& fileVersion, const std::string& productVersion,
                                      bool withProduct)
{
    std::string text = "Version " + fileVersion;
    if (withProduct) {
        int numbers[4] = {0, 0, 0, 0};
        std::sscanf(productVersion.c_str(), "%d,%d,%d,%d", &numbers[0], &numbers[1], &numbers[2], &numbers[3]);
        char suffix[64];
        std::snprintf(suffix, sizeof suffix, " (%d%d%d%d)", numbers[0], numbers[1], numbers[2], numbers[3]);
        text += suffix;
    }
    return text;
}

BOOL CAboutDialog::OnInitDialog()
{
    const std::string name = GetVersionString("FileDescription");
    SetWindowText("About " + name);
    SetDlgItemText(IDC_ABOUT_NAME, name);
    const bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
    SetDlgItemText(IDC_ABOUT_VERSION,
                   VersionText(GetVersionString("FileVersion"), ctrl ? GetVersionString("ProductVersion") : "",
                               ctrl));
    SetDlgItemText(IDC_ABOUT_COPYRIGHT, GetVersionString("LegalCopyright"));
    return CDialog::OnInitDialog();
}
