#pragma once
// A fixture for tests that build the panel tree from script text through
// the process-wide manager: fake resources and views installed, helpers to
// find panels, probes and values and to change values through the four
// calls of the change protocol. Every test starts and ends with an empty
// manager.
#include "core/TevManager.h"
#include "views/TevPanel.h"
#include "views/TevViewManager.h"

#include "support/FakeResources.h"
#include "support/FakeViews.h"
#include "support/ManagerTestSupport.h"
#include "support/ModelTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

class CViewTest : public CManagerTest {
protected:
    void SetUp() override
    {
        CManagerTest::SetUp();
        Install();
    }
    void TearDown() override
    {
        CManagerTest::TearDown();
        factory = nullptr;
        resources = nullptr;
    }

    // Fresh fakes, as the shell installs them before every load.
    void Install()
    {
        auto madeResources = std::make_unique<CFakeResourceFactory>();
        madeResources->bitmapImageSize = {300, 200};
        resources = madeResources.get();
        Manager().m_resourceManager.SetFactory(std::move(madeResources));
        auto madeViews = std::make_unique<CFakeViewFactory>();
        factory = madeViews.get();
        Views().SetViewFactory(std::move(madeViews));
    }

    // ReadScript and Create; the model's root struct "ms", when there is
    // one, sends through `out`.
    bool Load(const std::string& script)
    {
        std::istringstream stream(script);
        if (!Manager().ReadScript(stream) || !Manager().Create())
            return false;
        if (ITevRootStruct* root = Manager().GetRootStruct("ms"))
            root->SetMidiOut(&out);
        return true;
    }

    static CTevViewManager& Views() { return Manager().m_viewManager; }
    static CTevValue* Value(const std::string& path) { return Manager().FindValue(path); }

    static CTevPanel* Panel(const std::string& path)
    {
        CTevPanel* panel = nullptr;
        for (size_t i = 0; i < Views().GetRootPanelCount(); ++i) {
            if (Views().GetRootPanel(i)->FindPanel(path, panel))
                return panel;
        }
        return nullptr;
    }
    static CProbeControl* Probe(const std::string& path)
    {
        CTevControl* control = nullptr;
        for (size_t i = 0; i < Views().GetRootPanelCount(); ++i) {
            if (Views().GetRootPanel(i)->FindControl(path, control))
                return dynamic_cast<CProbeControl*>(control);
        }
        return nullptr;
    }
    // Every probe of the tree gets the journal.
    void Journal(CTevPanel& panel)
    {
        for (const auto& control : panel.GetChildControls()) {
            if (auto* probe = dynamic_cast<CProbeControl*>(control.get()))
                probe->journal = &journal;
        }
        for (const auto& child : panel.GetChildPanels())
            Journal(*child);
    }

    // The four calls a control makes.
    static void Set(CTevValue* value, int32_t integer)
    {
        Manager().SetIntegerValue(value, integer);
        Manager().TransmitChanges();
        Manager().DispatchChanges();
        Manager().ClearChanges();
    }

    CFakeResourceFactory* resources = nullptr;
    CFakeViewFactory* factory = nullptr;
    CRecordingMidiOut out;
    std::vector<std::string> journal;
};
