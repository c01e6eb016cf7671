#pragma once
// Makes the views of the panel tree: root and node panels, the windows of
// open root panels, and controls by their script type name. The framework's
// factory makes its own panel classes and windows that show nothing; the
// platform's factory derives from it and makes its own.
//
// Controls come from a table of type names and creators. Every control
// class registers its type name (its script tag) once per factory, e.g.
//   factory.RegisterControl(CTevKnobControl::kTypeName, TevCreateControl<CTevKnobControl>);
// and a derived factory may register a name again to make another class for
// that tag.
#include "core/TevScript.h"
#include "views/TevPanel.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// Makes a new control; null when it can't.
using CTevControlCreator = std::function<std::unique_ptr<CTevControl>()>;

// A creator for any control class with a default constructor.
template <class T>
std::unique_ptr<CTevControl> TevCreateControl()
{
    return std::make_unique<T>();
}

class CTevViewFactory {
public:
    // Knows the framework's own control types from the start.
    CTevViewFactory();
    CTevViewFactory(const CTevViewFactory&) = delete;
    CTevViewFactory& operator=(const CTevViewFactory&) = delete;
    virtual ~CTevViewFactory();

    virtual std::unique_ptr<CTevRootPanel> CreateRootPanel();
    virtual std::unique_ptr<CTevNodePanel> CreateNodePanel();
    // The control of the first registered type whose name equals the
    // definition's type string exactly (case-sensitive); null when none
    // does or its creator makes nothing.
    virtual std::unique_ptr<CTevControl> CreateControl(const CTevElementDefinition& definition);
    // The window that shows the root panel while it is open; null when it
    // can't be made, and the panel then stays closed. The framework's
    // window shows nothing and takes nothing.
    virtual std::unique_ptr<ITevPanelWindow> CreatePanelWindow(CTevRootPanel& panel);

    // A panel of a stored kind: 0 root, 1 node; null for any other kind.
    std::unique_ptr<CTevPanel> CreatePanelOfKind(int32_t kind);

    // Appends the type to the table; a name already there keeps its place
    // and gets the new creator.
    void RegisterControl(const std::string& typeName, CTevControlCreator creator);
    bool IsControlRegistered(const std::string& typeName) const;
    // The registered type names in table order.
    std::vector<std::string> GetControlTypeNames() const;

private:
    std::vector<std::pair<std::string, CTevControlCreator>> m_controlTypes;
};
