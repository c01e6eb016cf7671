#include "graphics/StateBitmap.h"

#include "graphics/GraphDrawer.h"

#include <algorithm>
#include <cstdint>
#include <fstream>

namespace {
std::string& BitmapFolder()
{
    static std::string folder;
    return folder;
}

constexpr uint64_t kFileHeaderSize = 14;
constexpr uint64_t kCoreHeaderSize = 12;
constexpr uint64_t kLargestInfoHeaderSize = 124;
// Far beyond any skin (the largest shipped bitmap is under half a million
// pixels): a larger one would only hold the program up behind its splash
// while the loader reserves and fills it.
constexpr int64_t kMaxBitmapSide = 32767;
constexpr uint64_t kMaxBitmapPixels = uint64_t{1} << 24;

// A little-endian field of `width` bytes.
uint32_t Field(const unsigned char* bytes, size_t offset, size_t width)
{
    uint32_t value = 0;
    for (size_t i = width; i-- > 0;) {
        value = value << 8 | bytes[offset + i];
    }
    return value;
}

// Whether the headers at the start of a .bmp file (`head`, the file's first
// bytes) agree with each other and describe nothing beyond the file's size.
// The image loader trusts them and reads past the end of a truncated file.
// Counted in 64 bits, so that no width or colour count can overflow. Only
// uncompressed images of a size a skin can use pass: a run-length encoded
// file of a few bytes can make the loader reserve gigabytes, or decode for
// minutes.
bool HeadersFitTheFile(const std::string& head, uint64_t fileSize)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(head.data());
    if (head.size() < kFileHeaderSize + 4 || bytes[0] != 'B' || bytes[1] != 'M') {
        return false;
    }
    const uint64_t bitsOffset = Field(bytes, 10, 4);
    const uint64_t infoSize = Field(bytes, 14, 4);
    const bool core = infoSize == kCoreHeaderSize;
    // Core, info, v4 and v5 headers.
    if ((!core && infoSize != 40 && infoSize != 108 && infoSize != kLargestInfoHeaderSize) ||
        head.size() < kFileHeaderSize + infoSize) {
        return false;
    }
    const unsigned char* info = bytes + kFileHeaderSize;
    int64_t width = 0;
    int64_t height = 0;
    uint32_t planes = 0;
    uint32_t bitCount = 0;
    uint32_t compression = BI_RGB;
    uint64_t coloursUsed = 0;
    if (core) {
        width = Field(info, 4, 2);
        height = Field(info, 6, 2);
        planes = Field(info, 8, 2);
        bitCount = Field(info, 10, 2);
    } else {
        width = static_cast<int32_t>(Field(info, 4, 4));
        height = static_cast<int32_t>(Field(info, 8, 4));
        planes = Field(info, 12, 2);
        bitCount = Field(info, 14, 2);
        compression = Field(info, 16, 4);
        coloursUsed = Field(info, 32, 4);
    }
    height = height < 0 ? -height : height;  // negative: rows top down
    const bool uncompressed = compression == BI_RGB && (bitCount == 1 || bitCount == 4 || bitCount == 8 ||
                                                        bitCount == 16 || bitCount == 24 || bitCount == 32);
    const bool bitFields = compression == BI_BITFIELDS && (bitCount == 16 || bitCount == 32);
    if (width <= 0 || height == 0 || width > kMaxBitmapSide || height > kMaxBitmapSide ||
        static_cast<uint64_t>(width * height) > kMaxBitmapPixels || planes != 1 || !(uncompressed || bitFields)) {
        return false;
    }
    // The colour table: every colour the bit count allows unless the header
    // names fewer; bit counts above 8 may carry an optional one.
    const uint64_t paletteColours = bitCount <= 8 ? uint64_t{1} << bitCount : 0;
    if (bitCount <= 8 && coloursUsed > paletteColours) {
        return false;
    }
    const uint64_t colours = coloursUsed != 0 ? coloursUsed : paletteColours;
    // An info header with bit fields is followed by its three colour masks.
    const uint64_t masks = bitFields && infoSize == 40 ? 12 : 0;
    const uint64_t tableEnd = kFileHeaderSize + infoSize + masks + colours * (core ? 3 : 4);
    if (tableEnd > bitsOffset || bitsOffset > fileSize) {
        return false;
    }
    const uint64_t available = fileSize - bitsOffset;
    const uint64_t rowSize = (static_cast<uint64_t>(width) * bitCount + 31) / 32 * 4;
    return static_cast<uint64_t>(height) <= available / rowSize;
}

bool IsIntactBitmapFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) {
        return false;
    }
    const std::streamoff size = file.tellg();
    if (size <= 0) {
        return false;
    }
    const uint64_t fileSize = static_cast<uint64_t>(size);
    std::string head(static_cast<size_t>(std::min(fileSize, kFileHeaderSize + kLargestInfoHeaderSize)), '\0');
    file.seekg(0);
    if (!file.read(head.data(), static_cast<std::streamsize>(head.size()))) {
        return false;
    }
    return HeadersFitTheFile(head, fileSize);
}
}  // namespace

void SetBitmapFolder(const std::string& folder)
{
    BitmapFolder() = folder;
}

std::string GetBitmapFolder()
{
    std::string& folder = BitmapFolder();
    if (folder.empty()) {
        char path[MAX_PATH + 1] = {};
        const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
        folder.assign(path, length);
        const size_t separator = folder.find_last_of("\\/");
        folder.erase(separator == std::string::npos ? 0 : separator + 1);
    }
    return folder;
}

CStateBitmap::~CStateBitmap()
{
    Unload();
}

bool CStateBitmap::LoadBitmap(const std::string& name)
{
    Unload();
    const std::string path = GetBitmapFolder() + name + ".bmp";
    // A damaged file fails as a missing one does.
    if (!IsIntactBitmapFile(path)) {
        return false;
    }
    const HANDLE image = ::LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0,
                                      LR_LOADFROMFILE | LR_DEFAULTSIZE | LR_CREATEDIBSECTION);
    if (image == nullptr) {
        return false;
    }
    m_image = static_cast<HBITMAP>(image);
    BITMAP header{};
    if (::GetObjectA(m_image, sizeof(header), &header) != 0) {
        m_width = header.bmWidth;
        m_height = header.bmHeight < 0 ? -header.bmHeight : header.bmHeight;
    }
    return true;
}

void CStateBitmap::Unload()
{
    if (m_image != nullptr) {
        ::DeleteObject(m_image);
        m_image = nullptr;
    }
    m_width = 0;
    m_height = 0;
}

void CStateBitmap::DrawCell(CTevDrawInfo& drawInfo, const CTevPoint& position, const CTevPoint& size,
                            int32_t sourceX, int32_t sourceY, int32_t maskX, int32_t maskY)
{
    const HDC dc = DeviceContextOf(drawInfo);
    if (dc == nullptr || m_image == nullptr) {
        return;
    }
    const HDC memory = ::CreateCompatibleDC(dc);
    if (memory == nullptr) {
        return;
    }
    const HGDIOBJ previous = ::SelectObject(memory, m_image);
    if (maskX != 0 || maskY != 0) {
        ::BitBlt(dc, position.x, position.y, size.x, size.y, memory, maskX, maskY, SRCAND);
        ::BitBlt(dc, position.x, position.y, size.x, size.y, memory, sourceX, sourceY, SRCPAINT);
    } else {
        ::BitBlt(dc, position.x, position.y, size.x, size.y, memory, sourceX, sourceY, SRCCOPY);
    }
    ::SelectObject(memory, previous);
    ::DeleteDC(memory);
}
