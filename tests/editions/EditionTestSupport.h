#pragma once
// A fixture for the edition tests: the edition's shipped script loaded into
// the manager, fake MIDI devices on its first ports wired to the simulated
// module (which plays the device for this script), and the edition started
// with a reader whose pump moves the fake clock, a writer and a dialog
// factory whose dialog answers as the test says.
#include "core/TevManager.h"
#include "controls/TevPopEditControl.h"
#include "core/TevServices.h"
#include "kappa/BufferAccessor.h"
#include "kappa/Patches.h"
#include "kappa/ShellInterfaces.h"

#include "support/FakeMidiDevices.h"
#include "support/FakeViews.h"
#include "support/FakePopupMenu.h"
#include "support/ManagerTestSupport.h"
#include "support/SimulatedModule.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Edition = Quorva::TEV_EDITION;

// The shell's reader as the tests need it: the pump is a function.
class CTestReader : public Edition::CReader {
public:
    explicit CTestReader(CTevTextOut* sink) : CReader(sink) {}
    void PumpWhileWaiting() override { pump(); }
    void Reserved() override {}

    std::function<void()> pump;
};

// Answers Choose with a fixed index and records what it was offered.
class CTestWriteDialog : public Edition::CWriteEntityDialog {
public:
    struct SRecord {
        std::vector<std::string> names;
        int32_t initialIndex = -2;
        int32_t answer = -1;
    };
    explicit CTestWriteDialog(SRecord& record) : m_record(record) {}
    int32_t Choose(const std::vector<std::string>& names, int32_t initialIndex) override
    {
        m_record.names = names;
        m_record.initialIndex = initialIndex;
        return m_record.answer;
    }

private:
    SRecord& m_record;
};

class CTestDialogFactory : public Edition::CDialogFactory {
public:
    explicit CTestDialogFactory(CTestWriteDialog::SRecord& record) : m_record(record) {}
    std::unique_ptr<Edition::CWriteEntityDialog> CreateWriteEntityDialog() override
    {
        return std::make_unique<CTestWriteDialog>(m_record);
    }

private:
    CTestWriteDialog::SRecord& m_record;
};

// Records what the progress bar was told.
class CTestProgressBar : public CTevProgressBar {
public:
    void BeginWithKind(int32_t range, int32_t kind, bool cancellable) override
    {
        m_range = range;
        m_position = 0;
        m_cancellable = cancellable;
        begins.push_back(kind);
    }
    void Begin(int32_t range, const std::string&, bool cancellable) override { BeginWithKind(range, -1, cancellable); }
    void End() override { ++ends; }
    // What the user does in the next step's message loop, once.
    void SetPos(int32_t position) override
    {
        CTevProgressBar::SetPos(position);
        if (onStep)
            std::exchange(onStep, nullptr)();
    }

    std::vector<int32_t> begins;
    int ends = 0;
    std::function<void()> onStep;
};

// The shell's pop edit without its editor window: a click "types" the text
// the test left in `typed` (nothing when empty) and confirms it.
class CTestPopEdit : public CTevPopEditControl {
public:
    void OpenPopup() override
    {
        ++opened;
        if (!typed.empty())
            CommitText(typed);
        ReleaseButton();
        SetActive(false);
    }

    static inline std::string typed;
    static inline int opened = 0;
};

// The views the shell's factory makes ("edit" first), in windows that show
// nothing.
class CShellViewFactory : public CFakeViewFactory {
public:
    CShellViewFactory() { RegisterControl(CTevPopEditControl::kTypeName, TevCreateControl<CTestPopEdit>); }
};

class CEditionTest : public CManagerTest {
protected:
    void SetUp() override;
    void TearDown() override;

    static Edition::CBufferAccessor& Accessor() { return Edition::CBufferAccessor::Instance(); }

    // Reads the shipped script and creates every section.
    bool LoadShippedScript();
    // Fake devices on the first ports, wired to the module, which takes
    // its memory and addressing from the loaded script.
    void ConnectDevices();
    // Starts the edition with the test's reader, a writer and the dialog
    // factory.
    void Start();
    // Load, connect and start; the test fails and ends when one of them does.
    void LoadAndStart();

    // The four calls of a change made on the panel.
    void Change(CTevValue* value, int32_t integer);
    // Lets the module's messages reach the program.
    void Deliver();

    CTevValue* Value(const std::string& path) const { return Manager().FindValue(path); }
    // The absolute address of the struct or value at the path.
    int32_t Address(const std::string& path) const;
    int32_t StatusCode() const { return Manager().GetStatusCode(); }
    bool Call(const char* command) { return Manager().GetFunctionManager().Call(command, ""); }
    // A folder of the test's own, named after the edition and the test so
    // that tests running at the same time never share one; created empty.
    static std::string MakeTestFolder();
    // The sound parameter of the edition's first pair without a rule of
    // its own.
    const Edition::SSoundParameter& PlainParameter() const;

    CFakeSystem clock;
    CSimulatedModule module;
    CTestWriteDialog::SRecord writeDialog;
    CTestReader* reader = nullptr;
    CTestProgressBar* progress = nullptr;
    CFakePopupMenu* popup = nullptr;
    CFakeMidiOutDevice* outDevice = nullptr;
    CFakeMidiInDevice* inDevice = nullptr;
};
