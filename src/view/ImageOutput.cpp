#include "view/ImageOutput.h"

#include <cstddef>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include <wx/app.h>
#include <wx/choicdlg.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/filedlg.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/imagbmp.h>
#include <wx/imagpng.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/time.h>
#include <wx/toplevel.h>
#include <wx/utils.h>
#include <wx/window.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "dumper/FramePixels.h"
#include "platform/GuardedRead.h"
#include "platform/SafeWriter.h"

namespace {

bool HasPixels(const wxImage& image) {
    return image.IsOk() && image.GetWidth() > 0 && image.GetHeight() > 0 && image.GetData();
}

// "Failed to save image: " and what failed, with the path and the cause: the Log pane and the
// error dialog show it.
void LogSaveFailure(const wxString& why) { wxLogError("Failed to save image: %s", why); }

// Said of an image that cannot be had (a failed read-back or grab arrives as an empty image).
wxString EmptyImageText(const wxString& path) {
    return wxString::Format("Nothing to write to '%s': the image is empty", path);
}

// The encoded bytes go through the safe writer: an existing file is replaced only by the whole
// new one, and a full disk or a crash in the middle leaves it as it was.
bool WriteEncoded(const wxString& path, const void* data, std::size_t size, wxString* why) {
    std::string error;
    if (dez::WriteFileAtomically(path.utf8_string(), data, size, &error)) return true;
    *why = wxString::FromUTF8(error);
    return false;
}

// The toolkit's own file saving writes straight into the target: the handler encodes into
// memory instead, and the bytes are written as one.
bool SaveWithHandler(const wxString& path, wxImage image, wxImageHandler* handler, wxString* why) {
    image.SetOption(wxIMAGE_OPTION_FILENAME, path);
    wxMemoryOutputStream encoded;
    const bool ok = image.SaveFile(encoded, handler->GetType());
    const wxStreamBuffer* buffer = encoded.GetOutputStreamBuffer();
    const std::size_t size = std::size_t(encoded.GetLength());
    if (!ok || size == 0 || !buffer || !buffer->GetBufferStart()) {
        // The handlers give no reason of their own (GIF refuses an image without a palette).
        *why = wxString::Format("Cannot encode '%s': the %s encoder failed", path,
                                handler->GetExtension().Upper());
        return false;
    }
    return WriteEncoded(path, buffer->GetBufferStart(), size, why);
}

// The P6 file in memory: header, then the rows as the image stores them.
bool WritePPMFile(const wxImage& image, const wxString& path, wxString* why) {
    if (!HasPixels(image)) {
        *why = EmptyImageText(path);
        return false;
    }
    char header[64];
    const int n = std::snprintf(header, sizeof header, "P6\n%d %d\n255\n", image.GetWidth(),
                                image.GetHeight());
    if (n <= 0 || std::size_t(n) >= sizeof header) {
        *why = wxString::Format("Cannot encode '%s': the PPM header does not fit", path);
        return false;
    }
    const std::size_t data = std::size_t(image.GetWidth()) * std::size_t(image.GetHeight()) * 3;
    std::string bytes;
    try {
        bytes.reserve(std::size_t(n) + data);
        bytes.append(header, std::size_t(n));
        bytes.append(reinterpret_cast<const char*>(image.GetData()), data);
    } catch (const std::exception&) {  // bad_alloc, or length_error beyond the string's limit
        *why = wxString::Format("Cannot encode '%s': out of memory", path);
        return false;
    }
    return WriteEncoded(path, bytes.data(), bytes.size(), why);
}

// XDestroyImage is a macro.
struct XImageDeleter {
    void operator()(XImage* image) const { XDestroyImage(image); }
};

// A colour channel of an X pixel, scaled to 8 bits from however many its mask has.
unsigned char MaskedByte(unsigned long pixel, unsigned long mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (((mask >> shift) & 1) == 0) ++shift;
    const unsigned long max = mask >> shift;
    const unsigned long value = (pixel & mask) >> shift;
    return static_cast<unsigned char>((value * 255 + max / 2) / max);
}

// Under GTK 3 on X the toolkit's screen context reads the root window through a surface it keeps
// for the life of the process, and every grab after the first hands back the pixels of the first.
// X's own read of the root window returns what the screen shows now, windows on top included.
// Parts of the area beyond the screen stay black; an area wholly off the screen, a visual that is
// not true colour or a failed read gives an invalid image.
wxImage ReadX11Screen(const wxRect& area) {
    Display* display = wxGetX11Display();
    if (!display || area.width <= 0 || area.height <= 0) return wxImage();
    const int screen = DefaultScreen(display);
    // X answers a read outside the root window with an error that ends the program: clip first.
    const wxRect visible =
        area.Intersect(wxRect(0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen)));
    if (visible.IsEmpty()) return wxImage();
    const Visual* visual = DefaultVisual(display, screen);
    if (!visual || (visual->c_class != TrueColor && visual->c_class != DirectColor))
        return wxImage();
    std::unique_ptr<XImage, XImageDeleter> pixels(
        XGetImage(display, RootWindow(display, screen), visible.x, visible.y,
                  unsigned(visible.width), unsigned(visible.height), AllPlanes, ZPixmap));
    if (!pixels) return wxImage();
    wxImage image(area.width, area.height, true);
    if (!image.IsOk()) return wxImage();
    const unsigned long masks[3] = {visual->red_mask, visual->green_mask, visual->blue_mask};
    for (int y = 0; y < visible.height; ++y) {
        for (int x = 0; x < visible.width; ++x) {
            const unsigned long pixel = XGetPixel(pixels.get(), x, y);
            unsigned char rgb[3];
            for (int c = 0; c < 3; ++c) rgb[c] = MaskedByte(pixel, masks[c]);
            image.SetRGB(visible.x - area.x + x, visible.y - area.y + y, rgb[0], rgb[1], rgb[2]);
        }
    }
    return image;
}

}  // namespace

void RegisterImageHandlers() {
    static bool registered = false;
    if (registered) return;
    // Adding a handler twice is harmless (the toolkit drops the duplicate), so an application that
    // registered them already loses nothing.
    wxInitAllImageHandlers();
    registered = true;
}

wxSize EvenSize(const wxSize& size) { return wxSize(size.x / 2 * 2, size.y / 2 * 2); }

wxImage ReadFrameImage(int width, int height) {
    const std::size_t bytes = FrameByteCount(width, height);
    if (bytes == 0) return wxImage();
    std::vector<unsigned char> rgba;
    try {
        rgba.resize(bytes);
    } catch (const std::exception&) {  // bad_alloc, or length_error beyond the vector's limit
        return wxImage();
    }
    if (!ReadFramePixels(width, height, FrameBuffer::Drawn, rgba.data())) return wxImage();
    wxImage image(width, height, false);
    if (!HasPixels(image)) return wxImage();
    // GL's rows run bottom to top, the image's top to bottom; the alpha of the frame is dropped.
    unsigned char* out = image.GetData();
    const std::size_t w = std::size_t(width);
    for (int y = 0; y < height; ++y) {
        const unsigned char* in = rgba.data() + std::size_t(height - 1 - y) * w * 4;
        for (std::size_t x = 0; x < w; ++x, in += 4, out += 3) {
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
        }
    }
    return image;
}

bool WritePPM(const wxImage& image, const wxString& path) {
    if (path.empty()) return false;
    wxString why;
    if (WritePPMFile(image, path, &why)) return true;
    LogSaveFailure(why);
    return false;
}

const PngFormatChoice kPngFormatChoices[kPngFormatChoiceCount] = {
    {"Colour 8bpp", wxPNG_TYPE_COLOUR, 8},    {"Colour 16bpp", wxPNG_TYPE_COLOUR, 16},
    {"Grey 8bpp", wxPNG_TYPE_GREY, 8},        {"Grey 16bpp", wxPNG_TYPE_GREY, 16},
    {"Grey red 8bpp", wxPNG_TYPE_GREY_RED, 8}, {"Grey red 16bpp", wxPNG_TYPE_GREY_RED, 16},
};

bool SaveImageFile(const wxString& path, const wxImage& image, int pngChoice) {
    if (path.empty()) return false;
    if (!HasPixels(image)) {
        LogSaveFailure(EmptyImageText(path));
        return false;
    }
    RegisterImageHandlers();
    wxString ext;
    wxFileName::SplitPath(path, nullptr, nullptr, &ext);
    if (ext == "ppm") return WritePPM(image, path);

    wxImage out = image;
    if (ext == "bmp") {
        out.SetOption(wxIMAGE_OPTION_BMP_FORMAT, wxBMP_24BPP);
    } else if (ext == "png" && pngChoice >= 0 && pngChoice < kPngFormatChoiceCount) {
        out.SetOption(wxIMAGE_OPTION_PNG_FORMAT, kPngFormatChoices[pngChoice].format);
        out.SetOption(wxIMAGE_OPTION_PNG_BITDEPTH, kPngFormatChoices[pngChoice].bitDepth);
    }
    // The handler is looked up as the toolkit's own save by name does, ignoring case.
    wxImageHandler* handler =
        ext.empty() ? nullptr : wxImage::FindHandler(ext.Lower(), wxBITMAP_TYPE_ANY);
    wxString why;
    if (!handler) {
        LogSaveFailure(wxString::Format("No image format for '%s': ", path) +
                       (ext.empty() ? wxString("the name has no extension")
                                    : wxString::Format("the extension \"%s\" is unknown", ext)));
        return false;
    }
    if (!SaveWithHandler(path, out, handler, &why)) {
        LogSaveFailure(why);
        return false;
    }
    return true;
}

bool SaveImageFileAsking(const wxString& path, const wxImage& image, wxWindow* parent) {
    if (path.empty()) return false;
    wxString ext;
    wxFileName::SplitPath(path, nullptr, nullptr, &ext);
    const int choice = ext == "png" ? AskPngFormat(parent) : kQuietPngChoice;
    return SaveImageFile(path, image, choice);
}

int AskPngFormat(wxWindow* parent) {
    wxArrayString texts;
    for (const PngFormatChoice& choice : kPngFormatChoices) texts.Add(choice.text);
    wxSingleChoiceDialog dialog(parent, "Set PNG format", "Image Format", texts);
    dialog.SetSize(200, 150);
    dialog.Centre();
    dialog.SetSelection(0);
    if (dialog.ShowModal() != wxID_OK) return kKeepPngOptions;
    const int chosen = dialog.GetSelection();
    return chosen >= 0 && chosen < kPngFormatChoiceCount ? chosen : kKeepPngOptions;
}

const char kImageSaveFilter[] =
    "JPEG files (*.jpg)|*.jpg|TIFF files (*.tif)|*.tif|BMP files (*.bmp)|*.bmp|"
    "PPM files (*.ppm)|*.ppm|PNG files (*.png)|*.png|GIF files (*.gif)|*.gif|"
    "PCX files (*.pcx)|*.pcx|XPM files (*.xpm)|*.xpm|PNM files (*.pnm)|*.pnm|"
    "PPM files (*.ppm)|*.ppm";

wxString AskImageSavePath(wxWindow* parent) {
    return wxFileSelector(_("Save Image"), wxEmptyString, wxEmptyString, ".jpg", kImageSaveFilter,
                          wxFD_SAVE | wxFD_OVERWRITE_PROMPT, parent);
}

bool ConvertImageToJpeg(const wxString& source, const wxString& target) {
    if (source.empty() || target.empty() || !wxFileExists(source)) return false;
    RegisterImageHandlers();
    // The source is read once through the guarded read, then decoded from memory.
    std::vector<uint8_t> bytes;
    if (!dez::ReadWholeFile(source.utf8_string(), bytes)) return false;
    wxLogNull quiet;  // a source that is no image answers false, as a missing one does
    wxMemoryInputStream in(bytes.data(), bytes.size());
    wxImage image;
    if (!image.LoadFile(in, wxBITMAP_TYPE_ANY, -1) || !HasPixels(image)) return false;
    wxImageHandler* jpeg = wxImage::FindHandler(wxBITMAP_TYPE_JPEG);
    wxString why;
    return jpeg && SaveWithHandler(target, image, jpeg, &why);
}

wxBitmap GrabWindowArea(wxWindow* window) {
    if (!window) return wxBitmap();
    {
        // Input to the other windows is off meanwhile, so no handler of theirs runs in between.
        wxWindowDisabler others(wxGetTopLevelParent(window));
        window->Refresh();
        // The paint now: a yield alone returns before the toolkit's next frame, which paints.
        window->Update();
        // The paint may reach the screen only after the compositor's next frame; events keep
        // flowing while waiting for it.
        const wxLongLong end = wxGetLocalTimeMillis() + 300;
        do {
            if (wxTheApp) wxTheApp->Yield(true);
            wxMilliSleep(10);
        } while (wxGetLocalTimeMillis() < end);
    }
    const wxPoint origin = window->ClientToScreen(wxPoint(0, 0));
    const wxSize size = window->GetClientSize();
    if (size.x <= 0 || size.y <= 0) return wxBitmap();
    if (wxGetDisplayInfo().type == wxDisplayX11) {
        const wxImage image = ReadX11Screen(wxRect(origin, size));
        return image.IsOk() ? wxBitmap(image) : wxBitmap();
    }
    wxBitmap bitmap(size.x, size.y);
    if (!bitmap.IsOk()) return wxBitmap();
    bool copied = false;
    {
        wxScreenDC screen;
        wxMemoryDC memory(bitmap);
        copied = memory.Blit(0, 0, size.x, size.y, &screen, origin.x, origin.y, wxCOPY, false);
        memory.SelectObject(wxNullBitmap);
    }
    return copied ? bitmap : wxBitmap();
}

bool CopyBitmapToClipboard(const wxBitmap& bitmap) {
    const wxString failure = _("Failed to copy bitmap to clipboard");
    if (!bitmap.IsOk() || bitmap.GetWidth() <= 0 || bitmap.GetHeight() <= 0) {
        wxLogError("%s", failure);
        return false;
    }
    if (!wxTheClipboard->Open()) {
        wxLogError("%s", failure);
        return false;
    }
    // The clipboard owns the data object from here on.
    const bool ok = wxTheClipboard->SetData(new wxBitmapDataObject(bitmap));
    if (!ok) wxLogError("%s", failure);
    wxTheClipboard->Close();
    return ok;
}

bool CopyImageToClipboard(const wxImage& image) {
    if (!HasPixels(image)) return CopyBitmapToClipboard(wxBitmap());
    return CopyBitmapToClipboard(wxBitmap(image));
}
