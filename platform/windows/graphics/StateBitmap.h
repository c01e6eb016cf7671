// Multi-state skin bitmaps loaded from "<name>.bmp" in the bitmap folder and
// drawn cell by cell, with or without a mask cell.
#pragma once

#include "graphics/DrawInfo.h"

#include "core/TevResources.h"

#include <string>

class CStateBitmap : public CTevStateBitmap {
public:
    CStateBitmap() = default;
    ~CStateBitmap() override;

    // With a mask offset other than (0, 0): the mask cell ANDed (white where
    // the background shows), then the image cell ORed (black where
    // transparent). Otherwise a plain copy. Nothing without a loaded image.
    void DrawCell(CTevDrawInfo& drawInfo, const CTevPoint& position, const CTevPoint& size, int32_t sourceX,
                  int32_t sourceY, int32_t maskX, int32_t maskY) override;
    CTevPoint GetSize() const override { return CTevPoint{m_width, m_height}; }
    // GetBitmapFolder() + name + ".bmp" as a device-independent section;
    // false for a file whose headers disagree with each other or with the
    // file's size.
    bool LoadBitmap(const std::string& name) override;
    void Unload() override;

    HBITMAP GetImage() const { return m_image; }

private:
    HBITMAP m_image = nullptr;
    int32_t m_width = 0;
    int32_t m_height = 0;
};

// The folder the bitmaps are loaded from (with its trailing backslash). Set
// once at start-up to the script's folder; until then, the program's folder.
void SetBitmapFolder(const std::string& folder);
std::string GetBitmapFolder();
