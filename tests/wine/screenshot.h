// A window's pixels as a PNG file, as the screen shows them (under Xvfb, the virtual
// display): for the GUI tests' screenshots. Uncompressed deflate blocks keep it short.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "harness/wine/wine_test_support.h"

namespace wine_test {
namespace png {

inline std::uint32_t Crc(const unsigned char* bytes, std::size_t size, std::uint32_t crc = 0) {
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

inline void Put32(std::vector<unsigned char>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>(value >> shift));
}

inline void Chunk(std::vector<unsigned char>& out, const char* type,
                  const std::vector<unsigned char>& data) {
    Put32(out, static_cast<std::uint32_t>(data.size()));
    std::vector<unsigned char> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    Put32(out, Crc(body.data(), body.size()));
}

// zlib stream of stored blocks.
inline std::vector<unsigned char> Stored(const std::vector<unsigned char>& raw) {
    std::vector<unsigned char> out = {0x78, 0x01};
    std::uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    for (std::size_t at = 0; at < raw.size() || at == 0;) {
        const std::size_t n = raw.size() - at < 65535 ? raw.size() - at : 65535;
        out.push_back(at + n == raw.size() ? 1 : 0);
        out.push_back(static_cast<unsigned char>(n));
        out.push_back(static_cast<unsigned char>(n >> 8));
        out.push_back(static_cast<unsigned char>(~n));
        out.push_back(static_cast<unsigned char>(~n >> 8));
        out.insert(out.end(), raw.begin() + at, raw.begin() + at + n);
        at += n;
        if (n == 0) break;
    }
    Put32(out, (b << 16) | a);
    return out;
}

}  // namespace png

// Saves what the screen shows of `window` to `path` (a PNG); false when nothing was captured.
inline bool SaveScreenshot(HWND window, const std::string& path) {
    RECT r;
    if (!GetWindowRect(window, &r) || r.right <= r.left || r.bottom <= r.top) return false;
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    const bool copied = BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY) != FALSE;
    std::vector<unsigned char> raw;
    const auto* pixels = static_cast<const unsigned char*>(bits);
    for (int y = 0; copied && y < h; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < w; ++x) {
            const unsigned char* p = pixels + (static_cast<std::size_t>(y) * w + x) * 4;
            raw.insert(raw.end(), {p[2], p[1], p[0]});
        }
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!copied) return false;
    std::vector<unsigned char> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> header;
    png::Put32(header, static_cast<std::uint32_t>(w));
    png::Put32(header, static_cast<std::uint32_t>(h));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
    png::Chunk(file, "IHDR", header);
    png::Chunk(file, "IDAT", png::Stored(raw));
    png::Chunk(file, "IEND", {});
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) return false;
    const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && written;
}

// The same, as `file` in the screenshots folder beside the build's bin/.
inline bool SaveScreenshotAs(HWND window, const std::string& file) {
    const std::string folder = ThisFolder() + "..\\screenshots";
    CreateDirectoryA(folder.c_str(), nullptr);
    return SaveScreenshot(window, folder + "\\" + file);
}

}  // namespace wine_test
