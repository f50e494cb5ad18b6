#pragma once
// Bitmap fonts for text in the 3-D view: 256 GL display lists (one bitmap per character code) with
// the advance width of every code, printed at the current raster position.
//
// The glyphs are rasterised with the toolkit's own font machinery, so any face fontconfig knows
// (or substitutes, as it does for "Times") works under X11 and Xvfb alike. Codes 128 to 255 are
// taken as Windows-1252 text, or as the Adobe Symbol encoding for the face "Symbol".

// A font whose lists belong to the GL context current when it was created; that context must be
// current again for printing and deletion.
struct GLBitmapFont {
    int listBase = 0;      // list listBase + c draws character code c
    int widths[256] = {};  // advance of each code in pixels
    int height = 0;        // the height the font was requested with
    float colour[4] = {};  // RGBA given at creation
};

// The label font of the 3-D view; the canvas owns it. Label code prints nothing while it is null.
extern GLBitmapFont* label_font;

// Builds the 256 lists in the current GL context from the toolkit font of the given face, height
// in pixels (the full line height), weight (0 = normal, else 1 to 1000 as in the usual 100 to 900
// scale; 700 is bold) and slant (non-zero = italic). Returns null when no lists can be had (no
// current context), when the toolkit's GUI is not running, or when face or height is unusable.
GLBitmapFont* CreateGLBitmapFont(const char* faceName, int height, const float colour[4],
                                 int weight, int italic);

// Deletes the lists and the record; null is ignored.
void DeleteGLBitmapFont(GLBitmapFont* font);

// Prints printf-formatted text at the current raster position: align < 0 ends the text there,
// 0 centres it, > 0 starts it there. Texts longer than 1023 bytes are cut. A null font or format
// prints nothing. The GL state (lighting, texturing, colour, list base) is left as it was found.
void PrintGLBitmapFont(const GLBitmapFont* font, int align, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// Sum of the widths of the text's bytes, each taken as its unsigned code.
int GLBitmapFontTextWidth(const GLBitmapFont& font, const char* text);

// Character sets a face is rasterised with.
enum class GLFontCharset { Ansi, Symbol };
// Symbol for the face "symbol" in any letter case, Ansi otherwise.
GLFontCharset GLFontCharsetForFace(const char* faceName);
// The Unicode character drawn for a code of the set; 0 for codes with no glyph (control codes,
// holes of the set).
char32_t GLFontCodePoint(GLFontCharset charset, unsigned char code);
