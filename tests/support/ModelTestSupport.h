#pragma once
// Helpers for tests of the parameter model: a MIDI output that records the
// data sets sent through it, a fixture that collects the manager's error
// reports, and builders for struct trees made by hand.
#include "core/TevBuffer.h"
#include "core/TevManager.h"
#include "core/TevScript.h"
#include "core/TevTextOut.h"
#include "core/TevValue.h"
#include "midi/TevMidiOut.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class CRecordingMidiOut : public ITevMidiOut {
public:
    struct SDataSet {
        int32_t address;
        std::vector<uint8_t> data;
    };

    bool SendShortMessage(const CTevShortMessage&) override { return accept; }
    bool SendLongMessage(const CTevLongMessage&) override { return accept; }
    bool SendLongMessage(const CTevDravikMessage&) override { return accept; }
    bool SendDataSet(int32_t address, const std::vector<uint8_t>& data) override
    {
        dataSets.push_back({address, data});
        return accept;
    }
    bool SendRequest(int32_t, int32_t) override { return accept; }

    std::vector<SDataSet> dataSets;
    bool accept = true;
};

inline CTevElementDefinition ModelElement(const std::string& type, std::initializer_list<CTevPair> pairs)
{
    CTevElementDefinition element;
    element.type = type;
    element.pairs.assign(pairs);
    return element;
}

// Collects what the model reports through the manager's error reporter and
// owns the registries of interned specs of the trees a test builds.
class CModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_errors = new CTevTextOutStringStream;
        CTevManager::Instance().SetErrorOut(m_errors);
    }
    void TearDown() override
    {
        CTevManager::Instance().SetErrorOut(nullptr);
        m_errors = nullptr;
    }

    std::string Errors() const { return m_errors->str(); }
    void ClearErrors() { m_errors->str(std::string()); }

    const CTevStructSpec* StructSpec(const std::string& name, int32_t begin, int32_t size)
    {
        return registries.structSpecs.Intern(
            std::make_unique<CTevStructSpec>(name, CTevAddressRange::FromSize(begin, size)));
    }
    const CTevValueSpec* ValueSpec(const std::string& name, int32_t begin, int32_t type, int32_t size = -1,
                                   int32_t minimum = 0, int32_t maximum = 127, int32_t defaultValue = 64,
                                   const std::string& stringDefault = std::string(),
                                   const CTevIntegerTable* table = nullptr)
    {
        if (size < 0)
            size = CTevValueSpec::NaturalSize(type);
        return registries.valueSpecs.Intern(std::make_unique<CTevValueSpec>(
            name, CTevAddressRange::FromSize(begin, size), type, minimum, maximum, defaultValue, stringDefault,
            table));
    }

    std::unique_ptr<CTevRootStruct> Root(const std::string& name, int32_t begin, int32_t size)
    {
        auto root = std::make_unique<CTevRootStruct>();
        root->SetSpec(StructSpec(name, begin, size));
        return root;
    }
    // Appends a node to a root or node and returns it.
    CTevStruct* AddNode(CTevStruct& parent, const std::string& name, int32_t begin, int32_t size)
    {
        auto node = std::make_unique<CTevNodeStruct>();
        node->SetSpec(StructSpec(name, begin, size));
        CTevStruct* result = node.get();
        parent.GetChildStructs()->push_back(std::move(node));
        return result;
    }
    CTevStruct* AddLeaf(CTevStruct& parent, const std::string& name, int32_t begin, int32_t size)
    {
        auto leaf = std::make_unique<CTevLeafStruct>();
        leaf->SetSpec(StructSpec(name, begin, size));
        CTevStruct* result = leaf.get();
        parent.GetChildStructs()->push_back(std::move(leaf));
        return result;
    }
    // Values must all be added before the tree is bound.
    void AddValue(CTevStruct& leaf, const CTevValueSpec* spec) { leaf.GetValues()->push_back(CTevValue(spec)); }

    CTevSpecRegistries registries;

private:
    CTevTextOutStringStream* m_errors = nullptr;
};
