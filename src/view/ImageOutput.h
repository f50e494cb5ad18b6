#pragma once
// Image output of the 3-D view through the toolkit: the frame read back into an image, the
// program's own PPM writer, saving by extension through the toolkit's image handlers, the save
// and PNG-format dialogs, JPEG conversion, screen grabs and the clipboard. The canvas calls these;
// none of them needs the canvas itself.
#include <wx/bitmap.h>
#include <wx/gdicmn.h>
#include <wx/image.h>
#include <wx/string.h>

class wxWindow;

// Registers all of the toolkit's image handlers (PNG, JPEG, TIFF, BMP, GIF, PCX, PNM, XPM, ...).
// Safe to call again; the savers below call it themselves.
void RegisterImageHandlers();

// Both sizes rounded down to an even number (641 x 481 gives 640 x 480).
wxSize EvenSize(const wxSize& size);

// The frame just drawn, as an RGB image of width x height pixels with the top row first. It reads
// the buffer drawing went to (the back buffer, so it must be called before the buffers are
// swapped), from window pixel (0, 0), with the canvas's context current. An invalid image when a
// size is below 1, memory runs out or the read-back fails: callers refuse it rather than saving
// an empty picture.
wxImage ReadFrameImage(int width, int height);

// The program's own binary PPM writer: the header "P6\n<width> <height>\n255\n", then the image's
// RGB bytes as stored (rows top to bottom, no padding), encoded in memory and written with
// dez::WriteFileAtomically, so that an existing file is replaced whole or left as it was. An empty
// path answers false silently; an invalid or empty image or a failed write logs the error "Failed
// to save image: " with the path and the cause (as SaveImageFile) and answers false.
bool WritePPM(const wxImage& image, const wxString& path);

// One choice of the PNG-format dialog: its text, the "PngFormat" option (0 colour, 2 grey, 3 grey
// from the red channel) and the "PngBitDepth" option.
struct PngFormatChoice {
    const char* text;
    int format;
    int bitDepth;
};
constexpr int kPngFormatChoiceCount = 6;
extern const PngFormatChoice kPngFormatChoices[kPngFormatChoiceCount];
// What a save without the dialog uses: colour, 16 bits per sample.
constexpr int kQuietPngChoice = 1;
// Leaves a PNG's options as the image has them (the dialog was cancelled).
constexpr int kKeepPngOptions = -1;

// Saves by the path's extension, compared case-sensitively: "ppm" goes to WritePPM; "bmp" is
// forced to 24 bits per pixel; "png" gets the options of kPngFormatChoices[pngChoice] (none for a
// choice outside the table); everything else, other cases of these extensions included ("PNG",
// "PPM"), goes to the toolkit's handler for the extension with the image's own options. The file
// is encoded in memory and written with dez::WriteFileAtomically: an existing file is replaced
// only by the whole new one, and any failure leaves it as it was. An empty path answers false
// silently; every other failure logs one error, "Failed to save image: " followed by what failed
// with the path and the cause, and answers false:
//   "Nothing to write to '<path>': the image is empty" (an invalid or empty image),
//   "No image format for '<path>': the name has no extension" (or: the extension "xyz" is
//   unknown), "Cannot encode '<path>': the GIF encoder failed" (the handler refused the image),
//   or the safe writer's text, e.g. "Cannot write '<path>': No space left on device".
bool SaveImageFile(const wxString& path, const wxImage& image, int pngChoice = kQuietPngChoice);

// SaveImageFile for a save that may ask: for the extension "png" the PNG-format dialog is shown
// first (a cancel keeps the image's own options).
bool SaveImageFileAsking(const wxString& path, const wxImage& image, wxWindow* parent);

// The single-choice dialog "Set PNG format" / "Image Format" with the six texts of
// kPngFormatChoices, 200 x 150 pixels, centred on the parent, the first entry preselected.
// Returns the chosen row, or kKeepPngOptions when cancelled.
int AskPngFormat(wxWindow* parent);

// Filter text of the save dialog: ten filters, JPEG first, the PPM filter listed fourth and tenth.
extern const char kImageSaveFilter[];
// The save dialog: "Save Image", default extension ".jpg", asks before overwriting. "" when
// cancelled.
wxString AskImageSavePath(wxWindow* parent);

// Loads the source (any format the handlers know, first image) and saves it as JPEG to the
// target, encoded in memory and written with dez::WriteFileAtomically. False when the source is
// missing or unreadable or the JPEG cannot be encoded or written (an existing target then keeps
// its content); nothing is logged of a failed write.
bool ConvertImageToJpeg(const wxString& source, const wxString& target);

// Repaints the window at once, then lets events run for 300 ms with input to other windows
// disabled so the paint reaches the screen, and copies its client area from the screen as it is
// now, with whatever overlaps it there, into a bitmap at the screen's depth (on X read from the
// root window; parts beyond the screen are black). An invalid bitmap for a null or empty window,
// a window wholly off the screen or a failed copy.
wxBitmap GrabWindowArea(wxWindow* window);

// Hands the picture to the clipboard as a bitmap. An invalid picture, a clipboard that cannot be
// opened or that refuses the data logs the error "Failed to copy bitmap to clipboard" and answers
// false; the clipboard is always closed again.
bool CopyBitmapToClipboard(const wxBitmap& bitmap);
bool CopyImageToClipboard(const wxImage& image);
