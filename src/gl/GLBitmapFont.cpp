#include "gl/GLBitmapFont.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <wx/app.h>
#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/font.h>
#include <wx/image.h>

#include <GL/gl.h>

GLBitmapFont* label_font = nullptr;

namespace {

// Unicode of codes 0x80-0x9F in Windows-1252; 0 marks the five holes of the set.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// Unicode of codes 0x20-0xFF in the Adobe Symbol encoding (from the X11 encoding file
// adobe-symbol.enc); 0 marks codes with no character. The 0xF8xx values are Adobe's private
// code points for bracket pieces, which most fonts lack.
constexpr char16_t kSymbol[224] = {
    0x0020, 0x0021, 0x2200, 0x0023, 0x2203, 0x0025, 0x0026, 0x220B,
    0x0028, 0x0029, 0x2217, 0x002B, 0x002C, 0x2212, 0x002E, 0x002F,
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,
    0x2245, 0x0391, 0x0392, 0x03A7, 0x2206, 0x0395, 0x03A6, 0x0393,
    0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C, 0x039D, 0x039F,
    0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x2126,
    0x039E, 0x03A8, 0x0396, 0x005B, 0x2234, 0x005D, 0x22A5, 0x005F,
    0x203E, 0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3,
    0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BF,
    0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9,
    0x03BE, 0x03C8, 0x03B6, 0x007B, 0x007C, 0x007D, 0x223C, 0x0000,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    0x0000, 0x03D2, 0x2032, 0x2264, 0x2215, 0x221E, 0x0192, 0x2663,
    0x2666, 0x2665, 0x2660, 0x2194, 0x2190, 0x2191, 0x2192, 0x2193,
    0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022,
    0x00F7, 0x2260, 0x2261, 0x2248, 0x2026, 0x0000, 0x0000, 0x21B5,
    0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229,
    0x222A, 0x2283, 0x2287, 0x2284, 0x2282, 0x2286, 0x2208, 0x2209,
    0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5,
    0x00AC, 0x2227, 0x2228, 0x21D4, 0x21D0, 0x21D1, 0x21D2, 0x21D3,
    0x25CA, 0x2329, 0x00AE, 0x00A9, 0x2122, 0x2211, 0x0000, 0x0000,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    0x0000, 0x232A, 0x222B, 0x2320, 0x0000, 0x2321, 0x0000, 0x0000,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
};

constexpr int kListCount = 256;

bool SameFaceIgnoringCase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        const char ca = (*a >= 'A' && *a <= 'Z') ? char(*a - 'A' + 'a') : *a;
        const char cb = (*b >= 'A' && *b <= 'Z') ? char(*b - 'A' + 'a') : *b;
        if (ca != cb) return false;
    }
    return *a == *b;
}

// The usual weight scale (100 thin ... 400 normal ... 700 bold ... 900 black); 0 means normal.
int ToolkitWeight(int weight) {
    if (weight <= 0) return 400;
    return std::clamp((weight + 50) / 100 * 100, 100, 900);
}

wxFont MakeFont(const char* faceName, int pixelHeight, int weight, int italic) {
    return wxFont(wxFontInfo(wxSize(0, pixelHeight))
                      .FaceName(wxString::FromUTF8(faceName))
                      .Weight(ToolkitWeight(weight))
                      .Italic(italic != 0));
}

// Sets the pixel-store state glBitmap reads its rows with, and puts the caller's back after.
class UnpackGuard {
public:
    UnpackGuard() {
        glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
        glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
        glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
        glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    }
    ~UnpackGuard() { glPopClientAttrib(); }
    UnpackGuard(const UnpackGuard&) = delete;
    UnpackGuard& operator=(const UnpackGuard&) = delete;
};

int TextWidth(const GLBitmapFont& font, const char* text, std::size_t length) {
    int width = 0;
    for (std::size_t i = 0; i < length; ++i) width += font.widths[static_cast<unsigned char>(text[i])];
    return width;
}

struct FontDeleter {
    void operator()(GLBitmapFont* f) const { DeleteGLBitmapFont(f); }
};

}  // namespace

GLFontCharset GLFontCharsetForFace(const char* faceName) {
    return faceName && SameFaceIgnoringCase(faceName, "symbol") ? GLFontCharset::Symbol
                                                                 : GLFontCharset::Ansi;
}

char32_t GLFontCodePoint(GLFontCharset charset, unsigned char code) {
    if (code < 0x20 || code == 0x7F) return 0;
    if (charset == GLFontCharset::Symbol) return kSymbol[code - 0x20];
    if (code >= 0x80 && code < 0xA0) return kCp1252High[code - 0x80];
    return code;
}

GLBitmapFont* CreateGLBitmapFont(const char* faceName, int height, const float colour[4],
                                 int weight, int italic) {
    if (faceName == nullptr || height <= 0 || wxTheApp == nullptr) return nullptr;
    const GLuint base = glGenLists(kListCount);
    if (base == 0) return nullptr;
    std::unique_ptr<GLBitmapFont, FontDeleter> font(new GLBitmapFont);
    font->listBase = static_cast<int>(base);
    font->height = height;
    if (colour) std::copy(colour, colour + 4, font->colour);

    const GLFontCharset charset = GLFontCharsetForFace(faceName);
    // The toolkit sizes fonts by their em; shrink it until the whole line fits the asked height,
    // which is what the height of a font cell means elsewhere.
    wxBitmap bitmap(8, 8, 24);
    wxMemoryDC dc(bitmap);
    wxFont wxfont = MakeFont(faceName, height, weight, italic);
    if (!wxfont.IsOk()) return nullptr;
    dc.SetFont(wxfont);
    int lineHeight = dc.GetCharHeight();
    if (lineHeight > height) {
        const int em = std::max(1, height * height / lineHeight);
        wxfont = MakeFont(faceName, em, weight, italic);
        if (!wxfont.IsOk()) return nullptr;
        dc.SetFont(wxfont);
        lineHeight = dc.GetCharHeight();
    }
    lineHeight = std::max(1, lineHeight);

    wxString glyphs[kListCount];
    int maxAdvance = 1;
    int descent = 0;
    for (int c = 0; c < kListCount; ++c) {
        const char32_t cp = GLFontCodePoint(charset, static_cast<unsigned char>(c));
        if (cp == 0) continue;
        glyphs[c] = wxString(wxUniChar(static_cast<wxUint32>(cp)));
        wxCoord w = 0, h = 0, d = 0;
        dc.GetTextExtent(glyphs[c], &w, &h, &d);
        font->widths[c] = std::max(0, static_cast<int>(w));
        maxAdvance = std::max(maxAdvance, font->widths[c]);
        descent = std::max(descent, static_cast<int>(d));
    }
    dc.SelectObject(wxNullBitmap);

    // Room on both sides for glyphs that reach past their advance (italics, 'j', 'f').
    const int pad = lineHeight / 3 + 1;
    const int cellW = maxAdvance + 2 * pad;
    const int cellH = lineHeight;
    wxBitmap cell(cellW, cellH, 24);
    const int rowBytes = (cellW + 7) / 8;
    std::vector<std::uint8_t> bits(std::size_t(rowBytes) * cellH);

    UnpackGuard unpack;
    for (int c = 0; c < kListCount; ++c) {
        glNewList(base + c, GL_COMPILE);
        if (glyphs[c].empty()) {
            // An empty list: Mesa reports running out of memory for a zero-size glBitmap
            // compiled into a list.
            glEndList();
            continue;
        }
        {
            wxMemoryDC cellDc(cell);
            cellDc.SetBackground(*wxBLACK_BRUSH);
            cellDc.Clear();
            cellDc.SetFont(wxfont);
            cellDc.SetTextForeground(*wxWHITE);
            cellDc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
            cellDc.DrawText(glyphs[c], pad, 0);
        }
        const wxImage image = cell.ConvertToImage();
        std::fill(bits.begin(), bits.end(), 0);
        // glBitmap rows run bottom to top, most significant bit first.
        for (int y = 0; y < cellH; ++y) {
            std::uint8_t* row = &bits[std::size_t(cellH - 1 - y) * rowBytes];
            for (int x = 0; x < cellW; ++x) {
                if (image.GetRed(x, y) >= 128) row[x / 8] |= std::uint8_t(0x80u >> (x % 8));
            }
        }
        glBitmap(cellW, cellH, static_cast<GLfloat>(pad), static_cast<GLfloat>(descent),
                 static_cast<GLfloat>(font->widths[c]), 0, bits.data());
        glEndList();
    }
    return font.release();
}

void DeleteGLBitmapFont(GLBitmapFont* font) {
    if (font == nullptr) return;
    if (font->listBase != 0) glDeleteLists(static_cast<GLuint>(font->listBase), kListCount);
    delete font;
}

int GLBitmapFontTextWidth(const GLBitmapFont& font, const char* text) {
    return text ? TextWidth(font, text, std::strlen(text)) : 0;
}

void PrintGLBitmapFont(const GLBitmapFont* font, int align, const char* format, ...) {
    if (font == nullptr || format == nullptr) return;
    char text[1024];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n <= 0) return;
    const int length = std::min<int>(n, static_cast<int>(sizeof text) - 1);

    const int width = TextWidth(*font, text, static_cast<std::size_t>(length));
    if (align < 0)
        glBitmap(0, 0, 0, 0, static_cast<GLfloat>(-width), 0, nullptr);
    else if (align == 0)
        glBitmap(0, 0, 0, 0, static_cast<GLfloat>(-(width / 2)), 0, nullptr);

    // Mesa does not always bring the current colour back with the popped attributes while
    // lighting is on: keep it aside and set it again.
    GLfloat current[4];
    glGetFloatv(GL_CURRENT_COLOR, current);
    // GL_ENABLE_BIT as well, so that texturing comes back as it was, not switched on.
    glPushAttrib(GL_CURRENT_BIT | GL_LIGHTING_BIT | GL_LIST_BIT | GL_ENABLE_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glColor4fv(font->colour);
    glListBase(static_cast<GLuint>(font->listBase));
    glCallLists(length, GL_UNSIGNED_BYTE, text);
    glPopAttrib();
    glColor4fv(current);
}
