#include "support/MemoryArchive.h"

#include <algorithm>

bool CMemoryArchive::ReadBytes(std::vector<uint8_t>& buffer)
{
    ++readCalls;
    largestRead = std::max(largestRead, buffer.size());
    if (buffer.size() > Remaining())
        return false;
    std::copy_n(data.begin() + std::ptrdiff_t(readPosition), buffer.size(), buffer.begin());
    readPosition += buffer.size();
    return true;
}

bool CMemoryArchive::WriteBytes(const std::vector<uint8_t>& buffer)
{
    ++writeCalls;
    if (buffer.size() > writeLimit || data.size() > writeLimit - buffer.size())
        return false;
    data.insert(data.end(), buffer.begin(), buffer.end());
    return true;
}
