#pragma once
// Writes .bmp files, for the Windows tests and the paint benchmark (which
// builds without the test support library).
#include "appkit/Win32.h"

#include <cstdio>
#include <functional>
#include <string>

// The bytes of a .bmp file: the headers, a grey colour table of every
// colour the bit count allows (none above 8 bits), then the bits as given.
inline std::string BitmapFileBytes(int width, int height, WORD bitCount, DWORD compression, const std::string& bits)
{
    const size_t colours = bitCount <= 8 ? size_t{1} << bitCount : 0;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = bitCount;
    info.biCompression = compression;
    info.biSizeImage = static_cast<DWORD>(bits.size());
    file.bfType = 0x4D42;
    file.bfOffBits = static_cast<DWORD>(sizeof(file) + sizeof(info) + colours * 4);
    file.bfSize = static_cast<DWORD>(file.bfOffBits + bits.size());
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
    bytes.append(reinterpret_cast<const char*>(&info), sizeof(info));
    bytes.append(colours * 4, '\x7F');
    return bytes + bits;
}

// Writes a 24-bit .bmp file; pixel(x, y) gives each colour.
inline bool WriteBitmapFile(const std::string& path, int width, int height,
                            const std::function<COLORREF(int, int)>& pixel)
{
    const int rowSize = (width * 3 + 3) & ~3;
    std::string bits(static_cast<size_t>(rowSize) * static_cast<size_t>(height), '\0');
    for (int y = height - 1, row = 0; y >= 0; --y, ++row) {
        char* bytes = &bits[static_cast<size_t>(row) * static_cast<size_t>(rowSize)];
        for (int x = 0; x < width; ++x) {
            const COLORREF color = pixel(x, y);
            bytes[x * 3] = static_cast<char>(GetBValue(color));
            bytes[x * 3 + 1] = static_cast<char>(GetGValue(color));
            bytes[x * 3 + 2] = static_cast<char>(GetRValue(color));
        }
    }
    const std::string file = BitmapFileBytes(width, height, 24, BI_RGB, bits);
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        return false;
    }
    const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && written;
}
