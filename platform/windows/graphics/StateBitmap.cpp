#include "graphics/StateBitmap.h"

#include "graphics/GraphDrawer.h"

namespace {
std::string& BitmapFolder()
{
    static std::string folder;
    return folder;
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
