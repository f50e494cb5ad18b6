#pragma once
// Encoders of the frame dumper: one block of RGBA pixels (rows bottom to top, as glReadPixels
// returns them, no padding) written as one complete image file to an open binary stream.
//
// The format code selects the variant by its magnitude:
//    1 TGA 24 bits        2 binary PPM (P6)     3 SGI, three channels   4 raw grey bytes
//    5 TIFF RGB           6 EPS colour          7 EPS grey              8 raw RGB bytes
//    9 BMP 24 bits       11 TGA 32 bits        12 TGA 24 bits RLE      13 TGA 32 bits RLE
// and the file's row order by its sign: above 0 the bottom row of the frame comes first, 0 or
// below the top row. The headers never change with the sign, so formats whose origin is the top
// left (PPM, TIFF, EPS) want a negative code and those whose origin is the bottom left (TGA, SGI,
// BMP) a positive one to come out upright.
#include <cstdio>

// File extension of the variant selected by the code ("tga", "ppm", "rgb", "raw", "tif", "eps",
// "bmp"), or nullptr when the code selects none (0, 10, magnitudes above 13).
const char* BitmapExtension(int code);

// True when the code selects a variant and a width x height frame (both at least 1) fits its
// size fields and offsets (16-bit sizes of TGA, SGI and TIFF, 32-bit offsets of TIFF and BMP) and
// the pixel buffer's size in bytes fits in memory arithmetic.
bool BitmapSizeSupported(int width, int height, int code);

// Writes header, pixel rows and trailer of the variant selected by `code` to `file`, then flushes
// it; the file is not closed. Answers false, having written nothing, for an unknown code, a size
// refused by BitmapSizeSupported or a null file or pixel pointer; answers false too when a write
// or the flush fails (the file then holds a truncated image).
bool WriteBitmap(std::FILE* file, const unsigned char* rgba, int width, int height, int code);

// Writes each pair of hexadecimal digits of `hex` as one byte. A text of odd length or with a
// character that is no hexadecimal digit writes nothing and answers false.
bool WriteHexBytes(std::FILE* file, const char* hex);

// Encodes one row of `width` RGBA pixels as TGA run-length packets of 1 to 128 pixels, each pixel
// written as B, G, R (and A when bytesPerPixel is 4). Pixels count as equal only when all four
// bytes are equal. Answers false for a width below 1, bytesPerPixel other than 3 or 4, or a failed
// write.
bool WriteTgaRleRow(std::FILE* file, const unsigned char* row, int width, int bytesPerPixel);
