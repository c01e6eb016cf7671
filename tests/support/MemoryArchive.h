#pragma once
// An archive over a byte vector, for round trips in tests.
#include "core/TevArchive.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

// Writes append to `data`; reads take bytes from `data` at `readPosition`.
// A read asking for more bytes than remain fails and consumes nothing.
// `writeLimit` makes a write fail once `data` would grow beyond it.
class CMemoryArchive : public CTevArchive {
public:
    explicit CMemoryArchive(int32_t mode = kWriteValues) : CTevArchive(mode) {}
    CMemoryArchive(int32_t mode, std::vector<uint8_t> bytes) : CTevArchive(mode), data(std::move(bytes)) {}

    size_t Remaining() const { return readPosition < data.size() ? data.size() - readPosition : 0; }

    std::vector<uint8_t> data;
    size_t readPosition = 0;
    size_t writeLimit = std::numeric_limits<size_t>::max();

    // What the archive asked of us.
    int readCalls = 0;
    int writeCalls = 0;
    size_t largestRead = 0;

protected:
    bool ReadBytes(std::vector<uint8_t>& buffer) override;
    bool WriteBytes(const std::vector<uint8_t>& buffer) override;
};

// Saves a graph in its two passes (write values, then write references);
// `serialize` is called with the archive once per pass, e.g.
// [&](CTevArchive& archive) { return root.Serialize(archive); }.
template <class Serialize>
bool TevSaveGraph(Serialize&& serialize, std::vector<uint8_t>& bytes)
{
    CMemoryArchive archive(CTevArchive::kWriteValues);
    if (!serialize(static_cast<CTevArchive&>(archive)))
        return false;
    archive.SetMode(CTevArchive::kWriteReferences);
    if (!serialize(static_cast<CTevArchive&>(archive)))
        return false;
    bytes = std::move(archive.data);
    return true;
}

// Loads a graph in its two passes (read values, then read references). True
// only if both passes succeed and they consume every byte, which catches
// Serialize methods that read and write differently.
template <class Serialize>
bool TevLoadGraph(Serialize&& serialize, const std::vector<uint8_t>& bytes)
{
    CMemoryArchive archive(CTevArchive::kReadValues, bytes);
    if (!serialize(static_cast<CTevArchive&>(archive)))
        return false;
    archive.SetMode(CTevArchive::kReadReferences);
    if (!serialize(static_cast<CTevArchive&>(archive)))
        return false;
    return archive.Remaining() == 0;
}
