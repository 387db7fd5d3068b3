#include "testing/screenshot.h"

#include <wincodec.h>

namespace testing_support {

COLORREF WindowPicture::at(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height)
        return CLR_INVALID;
    const uint32_t p = pixels[static_cast<size_t>(y) * width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

namespace {

// Prints the window (client area, or the whole window for a child) into
// dc at (0, 0), then each visible child into a bitmap of its own, copied to
// its place: controls clip their printing to their own device origin, so
// each gets a DC of its own.
void printInto(HWND window, HDC dc, UINT what)
{
    SendMessageA(window, WM_PRINT, reinterpret_cast<WPARAM>(dc), what | PRF_ERASEBKGND);
    HWND child = GetWindow(window, GW_CHILD);
    if (!child)
        return;
    RECT client{};
    GetClientRect(window, &client);
    POINT clientOrigin{0, 0};
    ClientToScreen(window, &clientOrigin);
    RECT frame{};
    GetWindowRect(window, &frame);
    // Where the client area lies in what was printed.
    const POINT offset =
        (what & PRF_NONCLIENT) ? POINT{clientOrigin.x - frame.left, clientOrigin.y - frame.top} : POINT{0, 0};
    // Children in reverse z-order, so the top one is printed last.
    for (HWND last = GetWindow(child, GW_HWNDLAST); last; last = GetWindow(last, GW_HWNDPREV)) {
        if (!IsWindowVisible(last))
            continue;
        RECT place{};
        GetWindowRect(last, &place);
        const int width = place.right - place.left;
        const int height = place.bottom - place.top;
        if (width <= 0 || height <= 0)
            continue;
        HDC own = CreateCompatibleDC(dc);
        HBITMAP canvas = CreateCompatibleBitmap(dc, width, height);
        HGDIOBJ old = SelectObject(own, canvas);
        const int x = offset.x + place.left - clientOrigin.x;
        const int y = offset.y + place.top - clientOrigin.y;
        // What lies below shows through a child that paints only parts of
        // itself (a group box's frame).
        BitBlt(own, 0, 0, width, height, dc, x, y, SRCCOPY);
        printInto(last, own, PRF_CLIENT | PRF_NONCLIENT);
        BitBlt(dc, x, y, width, height, own, 0, 0, SRCCOPY);
        SelectObject(own, old);
        DeleteObject(canvas);
        DeleteDC(own);
    }
}

} // namespace

namespace {

// A client-sized 32-bit bitmap that draw fills through a memory DC.
template <typename Draw> WindowPicture clientPicture(HWND window, Draw draw)
{
    WindowPicture picture;
    RECT client{};
    if (!GetClientRect(window, &client) || client.right <= 0 || client.bottom <= 0)
        return picture;
    picture.width = client.right;
    picture.height = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, canvas);
    PatBlt(dc, 0, 0, picture.width, picture.height, BLACKNESS);
    draw(dc, picture.width, picture.height);
    GdiFlush();
    const auto *first = static_cast<const uint32_t *>(bits);
    picture.pixels.assign(first, first + static_cast<size_t>(picture.width) * picture.height);
    SelectObject(dc, old);
    DeleteObject(canvas);
    DeleteDC(dc);
    return picture;
}

} // namespace

WindowPicture printWindow(HWND window)
{
    return clientPicture(window, [window](HDC dc, int, int) { printInto(window, dc, PRF_CLIENT); });
}

WindowPicture shownWindow(HWND window)
{
    return clientPicture(window, [window](HDC dc, int width, int height) {
        HDC shown = GetDC(window);
        BitBlt(dc, 0, 0, width, height, shown, 0, 0, SRCCOPY);
        ReleaseDC(window, shown);
    });
}

std::string writePicture(const WindowPicture &picture, const std::string &name, PictureFormat format)
{
    const bool bmp = format == PictureFormat::Bmp;
    if (picture.width <= 0 || picture.height <= 0)
        return {};
    const std::string folder = TEMBRI_SCREENSHOT_DIR;
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string path = folder + "\\" + name + (bmp ? ".bmp" : ".png");
    std::wstring widePath(path.begin(), path.end());

    IWICImagingFactory *factory = nullptr;
    IWICStream *stream = nullptr;
    IWICBitmapEncoder *encoder = nullptr;
    IWICBitmapFrameEncode *frame = nullptr;
    bool ok = SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IWICImagingFactory, reinterpret_cast<void **>(&factory))) &&
              SUCCEEDED(factory->CreateStream(&stream)) &&
              SUCCEEDED(stream->InitializeFromFilename(widePath.c_str(), GENERIC_WRITE)) &&
              SUCCEEDED(factory->CreateEncoder(bmp ? GUID_ContainerFormatBmp : GUID_ContainerFormatPng,
                                               nullptr, &encoder)) &&
              SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
              SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
              SUCCEEDED(frame->SetSize(picture.width, picture.height));
    if (ok) {
        WICPixelFormatGUID pixels = GUID_WICPixelFormat32bppBGR;
        ok = SUCCEEDED(frame->SetPixelFormat(&pixels)) && IsEqualGUID(pixels, GUID_WICPixelFormat32bppBGR);
    }
    if (ok) {
        const UINT stride = static_cast<UINT>(picture.width) * 4;
        ok = SUCCEEDED(frame->WritePixels(
                 picture.height, stride, stride * picture.height,
                 reinterpret_cast<BYTE *>(const_cast<uint32_t *>(picture.pixels.data())))) &&
             SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
    }
    for (IUnknown *object : {static_cast<IUnknown *>(frame), static_cast<IUnknown *>(encoder),
                             static_cast<IUnknown *>(stream), static_cast<IUnknown *>(factory)})
        if (object)
            object->Release();
    return ok ? path : std::string();
}

std::string writeWindowPicture(HWND window, const std::string &name)
{
    return writePicture(printWindow(window), name);
}

} // namespace testing_support
