#pragma once
// Resources for tests that load a shipped script with its artwork: state
// bitmaps that load as the platform's do, from "<folder><name>.bmp", and
// take their image size from the file; a missing or broken file fails the
// load. Text writers are the recording fakes.
#include "support/FakeResources.h"

#include <string>

// The width and height in a .bmp file's header; false when the file is
// missing or is not an uncompressed bitmap.
bool ReadBmpSize(const std::string& path, CTevPoint& size);

class CBitmapFileStateBitmap : public CFakeStateBitmap {
public:
    explicit CBitmapFileStateBitmap(std::string folder) : m_folder(std::move(folder)) {}
    bool LoadBitmap(const std::string& name) override;

private:
    std::string m_folder;
};

class CBitmapFileResourceFactory : public CFakeResourceFactory {
public:
    // `folder` ends with a separator.
    explicit CBitmapFileResourceFactory(std::string folder) : m_folder(std::move(folder)) {}
    std::unique_ptr<CTevStateBitmap> CreateStateBitmap() override;

private:
    std::string m_folder;
};
