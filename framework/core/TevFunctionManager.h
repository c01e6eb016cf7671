#pragma once
// The table of named commands. The edition registers its commands here and
// buttons of the panel call them by name with the script's argument text.
#include <map>
#include <memory>
#include <string>

class CTevFunctionManager {
public:
    class IFunctor {
    public:
        virtual ~IFunctor() = default;
        // Runs the command with its argument text; true on success.
        virtual bool Execute(const std::string& arguments) = 0;
    };

    CTevFunctionManager() = default;
    CTevFunctionManager(const CTevFunctionManager&) = delete;
    CTevFunctionManager& operator=(const CTevFunctionManager&) = delete;

    // Takes the functor over. A name already registered keeps its functor:
    // the new one is deleted and the result is false.
    bool Register(const std::string& name, std::unique_ptr<IFunctor> functor);
    // The functor's result; false, doing nothing, for a name not registered.
    bool Call(const std::string& name, const std::string& arguments);
    // Deletes every functor.
    void Clear();

    bool IsRegistered(const std::string& name) const { return m_functors.count(name) != 0; }
    size_t GetCount() const { return m_functors.size(); }

private:
    std::map<std::string, std::unique_ptr<IFunctor>> m_functors;
};
