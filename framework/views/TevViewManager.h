#pragma once
// The script's panels. For now it keeps their definitions as read and
// offers the entry points through which the manager and the parameter
// model reach it; the panel tree comes with the views.
#include "core/TevGeometry.h"
#include "core/TevScript.h"

#include <memory>
#include <string>
#include <vector>

class CTevManager;
class CTevProgressBar;
class CTevResourceManager;
class CTevTextOut;
class CTevValue;

// A top-level window as the window-position file sees it: a name, the
// top-left corner of its window and whether it is open. Closing it stores
// its window's current position.
class ITevRootWindow {
public:
    virtual ~ITevRootWindow() = default;
    virtual std::string GetWindowName() const = 0;
    virtual bool IsWindowOpen() const = 0;
    virtual void CloseWindow() = 0;
    virtual CTevPoint GetWindowPosition() const = 0;
    virtual void SetWindowPosition(const CTevPoint& position) = 0;
};

class CTevViewManager {
public:
    CTevViewManager() = default;
    CTevViewManager(const CTevViewManager&) = delete;
    CTevViewManager& operator=(const CTevViewManager&) = delete;
    virtual ~CTevViewManager() = default;

    // Builds the root panels from the definitions. Panels can't be built
    // yet, so a script that declares any is refused rather than silently
    // left without them.
    virtual bool CreateRootPanels(CTevManager* manager, CTevResourceManager* resourceManager)
    {
        m_manager = manager;
        m_resourceManager = resourceManager;
        if (!m_rootPanelDefinitions.empty())
            return false;
        m_panelTypeDefinitions.clear();
        return true;
    }
    // Frees the definitions and the root windows.
    virtual void Clear()
    {
        m_panelTypeDefinitions.clear();
        m_rootPanelDefinitions.clear();
        m_rootWindows.clear();
    }
    // Offers the changed values to every root panel; true when any reacted.
    virtual bool BroadcastValuesChanged(const std::vector<CTevValue*>& values)
    {
        (void)values;
        return false;
    }

    // The root windows in definition order.
    virtual size_t GetRootWindowCount() const { return m_rootWindows.size(); }
    virtual ITevRootWindow* GetRootWindow(size_t index) const
    {
        return index < m_rootWindows.size() ? m_rootWindows[index].get() : nullptr;
    }

    // Not owned.
    void SetErrorLog(CTevTextOut* errorLog) { m_errorLog = errorLog; }
    CTevTextOut* GetErrorLog() const { return m_errorLog; }
    void SetProgressBar(CTevProgressBar* progressBar) { m_progressBar = progressBar; }
    CTevProgressBar* GetProgressBar() const { return m_progressBar; }
    CTevResourceManager* GetResourceManager() const { return m_resourceManager; }
    CTevManager* GetManager() const { return m_manager; }

    CTevTypeDefinitions m_panelTypeDefinitions;
    CTevElementDefinitions m_rootPanelDefinitions;
    std::vector<std::unique_ptr<ITevRootWindow>> m_rootWindows;

private:
    CTevManager* m_manager = nullptr;
    CTevResourceManager* m_resourceManager = nullptr;
    CTevTextOut* m_errorLog = nullptr;
    CTevProgressBar* m_progressBar = nullptr;
};
