#include "views/TevViewFactory.h"

#include "controls/TevBias.h"
#include "controls/TevButton.h"
#include "controls/TevEnvelope.h"
#include "controls/TevFadeRange.h"
#include "controls/TevIncrementButton.h"
#include "controls/TevKeyboard.h"
#include "controls/TevKnob.h"
#include "controls/TevLfo.h"
#include "controls/TevPopComboControl.h"
#include "controls/TevSlider.h"
#include "controls/TevStaticControls.h"

namespace {

// The window of a root panel when there is no platform to show it.
class CTevHiddenPanelWindow : public ITevPanelWindow {
public:
    void SetCapture(bool capture) override { (void)capture; }
    CTevPoint ClientToScreen(const CTevPoint& point) const override { return point; }
    void Invalidate(const CTevRect& rect) override { (void)rect; }
};

} // namespace

CTevViewFactory::CTevViewFactory()
{
    RegisterControl(CTevKnobControl::kTypeName, TevCreateControl<CTevKnobControl>);
    RegisterControl(CTevUnlatchButton::kTypeName, TevCreateControl<CTevUnlatchButton>);
    RegisterControl(CTevLatchButton::kTypeName, TevCreateControl<CTevLatchButton>);
    RegisterControl(CTevIncrementButton::kTypeName, TevCreateControl<CTevIncrementButton>);
    RegisterControl(CTevSliderControl::kTypeName, TevCreateControl<CTevSliderControl>);
    RegisterControl(CTevPictureControl::kTypeName, TevCreateControl<CTevPictureControl>);
    RegisterControl(CTevStaticTextControl::kTypeName, TevCreateControl<CTevStaticTextControl>);
    RegisterControl(CTevStaticTextPictureControl::kTypeName, TevCreateControl<CTevStaticTextPictureControl>);
    RegisterControl(CTevKeyboardControl::kTypeName, TevCreateControl<CTevKeyboardControl>);
    RegisterControl(CTevPopComboControl::kTypeName, TevCreateControl<CTevPopComboControl>);
    RegisterControl(CTevBiasControl::kTypeName, TevCreateControl<CTevBiasControl>);
    RegisterControl(CTevEnvelopeControl::kTypeName, TevCreateControl<CTevEnvelopeControl>);
    RegisterControl(CTevFadeRangeControl::kTypeName, TevCreateControl<CTevFadeRangeControl>);
    RegisterControl(CTevLfoControl::kTypeName, TevCreateControl<CTevLfoControl>);
}

CTevViewFactory::~CTevViewFactory() = default;

std::unique_ptr<CTevRootPanel> CTevViewFactory::CreateRootPanel()
{
    return std::make_unique<CTevRootPanel>();
}

std::unique_ptr<CTevNodePanel> CTevViewFactory::CreateNodePanel()
{
    return std::make_unique<CTevNodePanel>();
}

std::unique_ptr<CTevControl> CTevViewFactory::CreateControl(const CTevElementDefinition& definition)
{
    for (const auto& [typeName, creator] : m_controlTypes) {
        if (typeName == definition.type)
            return creator ? creator() : nullptr;
    }
    return nullptr;
}

std::unique_ptr<ITevPanelWindow> CTevViewFactory::CreatePanelWindow(CTevRootPanel& panel)
{
    (void)panel;
    return std::make_unique<CTevHiddenPanelWindow>();
}

std::unique_ptr<CTevPanel> CTevViewFactory::CreatePanelOfKind(int32_t kind)
{
    if (kind == 0)
        return CreateRootPanel();
    if (kind == 1)
        return CreateNodePanel();
    return nullptr;
}

void CTevViewFactory::RegisterControl(const std::string& typeName, CTevControlCreator creator)
{
    for (auto& entry : m_controlTypes) {
        if (entry.first == typeName) {
            entry.second = std::move(creator);
            return;
        }
    }
    m_controlTypes.emplace_back(typeName, std::move(creator));
}

bool CTevViewFactory::IsControlRegistered(const std::string& typeName) const
{
    for (const auto& entry : m_controlTypes) {
        if (entry.first == typeName)
            return true;
    }
    return false;
}

std::vector<std::string> CTevViewFactory::GetControlTypeNames() const
{
    std::vector<std::string> names;
    names.reserve(m_controlTypes.size());
    for (const auto& entry : m_controlTypes)
        names.push_back(entry.first);
    return names;
}
