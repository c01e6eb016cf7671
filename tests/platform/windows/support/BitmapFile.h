#pragma once
// Writes 24-bit .bmp files, for the Windows tests and the paint benchmark
// (which builds without the test support library).
#include "appkit/Win32.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// Writes a 24-bit .bmp file; pixel(x, y) gives each colour.
inline bool WriteBitmapFile(const std::string& path, int width, int height,
                            const std::function<COLORREF(int, int)>& pixel)
{
    const int rowSize = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = static_cast<DWORD>(rowSize * height);
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + info.biSizeImage;
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        return false;
    }
    std::fwrite(&file, sizeof(file), 1, out);
    std::fwrite(&info, sizeof(info), 1, out);
    std::vector<unsigned char> row(static_cast<size_t>(rowSize), 0);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const COLORREF color = pixel(x, y);
            row[static_cast<size_t>(x * 3)] = GetBValue(color);
            row[static_cast<size_t>(x * 3 + 1)] = GetGValue(color);
            row[static_cast<size_t>(x * 3 + 2)] = GetRValue(color);
        }
        std::fwrite(row.data(), 1, row.size(), out);
    }
    return std::fclose(out) == 0;
}
