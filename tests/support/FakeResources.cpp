#include "support/FakeResources.h"

void CFakeStateBitmap::DrawCell(CTevDrawInfo& drawInfo, const CTevPoint& position, const CTevPoint& size,
                                int32_t sourceX, int32_t sourceY, int32_t maskX, int32_t maskY)
{
    cells.push_back({&drawInfo, position, size, sourceX, sourceY, maskX, maskY});
}

bool CFakeStateBitmap::LoadBitmap(const std::string& name)
{
    loadedNames.push_back(name);
    if (failLoad)
        return false;
    loaded = true;
    return true;
}

void CFakeStateBitmap::Unload()
{
    ++unloadCount;
    loaded = false;
}

bool CFakeTextWriter::CreateFont(const CAttributes& record)
{
    createdFonts.push_back(record);
    if (failCreateFont)
        return false;
    attributes = record;
    hasFont = true;
    return true;
}

bool CFakeTextWriter::GetAttributes(CAttributes& record) const
{
    if (failGetAttributes || !hasFont)
        return false;
    record = attributes;
    return true;
}

void CFakeTextWriter::DrawText(CTevDrawInfo& drawInfo, const CTevRect& rect, const std::string& text)
{
    texts.push_back({&drawInfo, rect, text});
}

CFakeResourceFactory::~CFakeResourceFactory()
{
    if (deleted)
        *deleted = true;
}

std::unique_ptr<CTevStateBitmap> CFakeResourceFactory::CreateStateBitmap()
{
    if (createNothing)
        return nullptr;
    ++bitmapsCreated;
    auto bitmap = std::make_unique<CFakeStateBitmap>();
    bitmap->imageSize = bitmapImageSize;
    bitmap->failLoad = bitmapLoadFails;
    return bitmap;
}

std::unique_ptr<CTevTextWriter> CFakeResourceFactory::CreateTextWriter()
{
    if (createNothing)
        return nullptr;
    ++textWritersCreated;
    auto writer = std::make_unique<CFakeTextWriter>();
    writer->failCreateFont = textWriterFontFails;
    return writer;
}

CTevGraphDrawer* CFakeResourceFactory::CreateGraphDrawer()
{
    if (!makeGraphDrawer)
        return nullptr;
    ++graphDrawersCreated;
    return makeGraphDrawer();
}
