#pragma once
// Test doubles for the platform's resource objects: a state bitmap that
// records the cells it draws, a text writer that records its fonts and
// texts, and a factory that makes them.
#include "core/TevResources.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Image size, load failure and the record of loads and drawn cells.
class CFakeStateBitmap : public CTevStateBitmap {
public:
    // The arguments of one DrawCell call.
    struct CCell {
        const CTevDrawInfo* drawInfo = nullptr;
        CTevPoint position;
        CTevPoint size;
        int32_t sourceX = 0;
        int32_t sourceY = 0;
        int32_t maskX = 0;
        int32_t maskY = 0;

        bool operator==(const CCell&) const = default;
    };

    void DrawCell(CTevDrawInfo& drawInfo, const CTevPoint& position, const CTevPoint& size, int32_t sourceX,
                  int32_t sourceY, int32_t maskX, int32_t maskY) override;
    CTevPoint GetSize() const override { return imageSize; }
    bool LoadBitmap(const std::string& name) override;
    void Unload() override;

    // Set by the test.
    CTevPoint imageSize;
    bool failLoad = false;

    // Recorded.
    std::vector<CCell> cells;
    std::vector<std::string> loadedNames; // every LoadBitmap call, failed ones too
    int unloadCount = 0;
    bool loaded = false;
};

// Font creation results and the record of fonts and drawn texts.
class CFakeTextWriter : public CTevTextWriter {
public:
    // The arguments of one DrawText call.
    struct CText {
        const CTevDrawInfo* drawInfo = nullptr;
        CTevRect rect;
        std::string text;

        bool operator==(const CText&) const = default;
    };

    bool CreateFont(const CAttributes& attributes) override;
    // False until a font was made, or when failGetAttributes is set.
    bool GetAttributes(CAttributes& attributes) const override;
    void DrawText(CTevDrawInfo& drawInfo, const CTevRect& rect, const std::string& text) override;

    // Set by the test.
    bool failCreateFont = false;
    bool failGetAttributes = false;

    // Recorded: every CreateFont call's record, failed ones too.
    std::vector<CAttributes> createdFonts;
    std::vector<CText> texts;
    // The record of the last successful CreateFont.
    CAttributes attributes;
    bool hasFont = false;
};

// Makes fake bitmaps and text writers configured from its settings.
// Graph drawers come from `makeGraphDrawer` (null when it is not set), so
// view tests can plug in their own fake.
class CFakeResourceFactory : public ITevResourceFactory {
public:
    ~CFakeResourceFactory() override;

    std::unique_ptr<CTevStateBitmap> CreateStateBitmap() override;
    std::unique_ptr<CTevTextWriter> CreateTextWriter() override;
    CTevGraphDrawer* CreateGraphDrawer() override;

    // Settings given to every object made from now on.
    CTevPoint bitmapImageSize;
    bool bitmapLoadFails = false;
    bool textWriterFontFails = false;
    // Makes the factory return null for bitmaps and text writers.
    bool createNothing = false;
    std::function<CTevGraphDrawer*()> makeGraphDrawer;

    // Recorded.
    int bitmapsCreated = 0;
    int textWritersCreated = 0;
    int graphDrawersCreated = 0;
    // Set to true when the factory is deleted, if given.
    bool* deleted = nullptr;
};
