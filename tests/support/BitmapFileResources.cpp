#include "support/BitmapFileResources.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>

namespace {

int32_t Read32(const unsigned char* bytes)
{
    return static_cast<int32_t>(static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                                static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24);
}

} // namespace

bool ReadBmpSize(const std::string& path, CTevPoint& size)
{
    std::ifstream file(path, std::ios::binary);
    unsigned char header[34] = {};
    if (!file.read(reinterpret_cast<char*>(header), sizeof header))
        return false;
    if (header[0] != 'B' || header[1] != 'M' || Read32(header + 14) < 40 || Read32(header + 30) != 0)
        return false;
    const int32_t width = Read32(header + 18), height = Read32(header + 22);
    if (width <= 0 || height == 0)
        return false;
    size = {width, std::abs(height)};
    return true;
}

bool CBitmapFileStateBitmap::LoadBitmap(const std::string& name)
{
    loadedNames.push_back(name);
    if (!ReadBmpSize(m_folder + name + ".bmp", imageSize))
        return false;
    loaded = true;
    return true;
}

std::unique_ptr<CTevStateBitmap> CBitmapFileResourceFactory::CreateStateBitmap()
{
    ++bitmapsCreated;
    return std::make_unique<CBitmapFileStateBitmap>(m_folder);
}
