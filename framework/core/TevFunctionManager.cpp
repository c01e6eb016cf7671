#include "core/TevFunctionManager.h"

bool CTevFunctionManager::Register(const std::string& name, std::unique_ptr<IFunctor> functor)
{
    // try_emplace leaves the argument untouched when the name is taken; the
    // parameter then deletes the refused functor on return.
    return m_functors.try_emplace(name, std::move(functor)).second;
}

bool CTevFunctionManager::Call(const std::string& name, const std::string& arguments)
{
    auto it = m_functors.find(name);
    if (it == m_functors.end() || !it->second)
        return false;
    return it->second->Execute(arguments);
}

void CTevFunctionManager::Clear() { m_functors.clear(); }
