// Image files of the view through the toolkit, without a display: the program's own PPM writer,
// saving by extension with the forced BMP and PNG options, JPEG conversion, refusals of empty
// images, and failed writes reported with their cause, leaving an existing file whole.
#include "view/ImageOutput.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <wx/image.h>
#include <wx/init.h>
#include <wx/log.h>

#include "platform/Paths.h"
#include "support/ChildProcess.h"
#include "support/TestSupport.h"

namespace {

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// Collects the toolkit's log messages of a test instead of printing them.
class LogCapture : public wxLog {
public:
    std::vector<std::string> errors;

protected:
    void DoLogRecord(wxLogLevel level, const wxString& message, const wxLogRecordInfo&) override {
        if (level <= wxLOG_Error) errors.push_back(message.ToStdString());
    }
};

class ImageFileTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        init_ = new wxInitializer;
        ASSERT_TRUE(init_->IsOk());
        RegisterImageHandlers();
    }
    static void TearDownTestSuite() {
        delete init_;
        init_ = nullptr;
    }
    void SetUp() override { previous_ = wxLog::SetActiveTarget(&log_); }
    void TearDown() override { wxLog::SetActiveTarget(previous_); }

    // 3 x 2 pixels, every byte different.
    static wxImage SmallImage() {
        wxImage image(3, 2, false);
        unsigned char* p = image.GetData();
        for (int i = 0; i < 18; ++i) p[i] = static_cast<unsigned char>(10 * i + 5);
        return image;
    }
    static std::string SmallImageBytes() {
        std::string bytes;
        for (int i = 0; i < 18; ++i) bytes += static_cast<char>(10 * i + 5);
        return bytes;
    }
    // Loads a written file back; the pixels must be those of SmallImage.
    static void ExpectSmallImage(const std::string& path, bool lossless = true) {
        wxLogNull quiet;
        wxImage image;
        ASSERT_TRUE(image.LoadFile(path)) << path;
        ASSERT_EQ(image.GetWidth(), 3);
        ASSERT_EQ(image.GetHeight(), 2);
        if (!lossless) return;
        const std::string expected = SmallImageBytes();
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(image.GetData()), 18), expected);
    }

    static wxInitializer* init_;
    testsupport::TempDir dir_;
    LogCapture log_;
    wxLog* previous_ = nullptr;
};
wxInitializer* ImageFileTest::init_ = nullptr;

// The IHDR of a PNG: bit depth at byte 24, colour type at 25 (0 grey, 2 RGB).
struct PngHeader {
    int bitDepth = -1;
    int colourType = -1;
};
PngHeader ReadPngHeader(const std::string& bytes) {
    PngHeader h;
    if (bytes.size() < 26 || bytes.compare(1, 3, "PNG") != 0 || bytes.compare(12, 4, "IHDR") != 0)
        return h;
    h.bitDepth = static_cast<unsigned char>(bytes[24]);
    h.colourType = static_cast<unsigned char>(bytes[25]);
    return h;
}

TEST_F(ImageFileTest, OwnPpmWriterWritesHeaderAndRawRows) {
    const std::string path = dir_.file("a.ppm");
    ASSERT_TRUE(WritePPM(SmallImage(), path));
    EXPECT_EQ(testsupport::ReadFileBytes(path), "P6\n3 2\n255\n" + SmallImageBytes());
    ExpectSmallImage(path);
}

// The canvas calls the PPM writer directly too: it reports its own failures.
TEST_F(ImageFileTest, OwnPpmWriterRefusesAndReportsFailures) {
    EXPECT_FALSE(WritePPM(SmallImage(), ""));
    EXPECT_TRUE(log_.errors.empty());
    const std::string invalid = dir_.file("invalid.ppm"), missing = dir_.file("missing/a.ppm");
    EXPECT_FALSE(WritePPM(wxImage(), invalid));
    EXPECT_FALSE(Exists(invalid));
    EXPECT_FALSE(WritePPM(SmallImage(), missing));
    ASSERT_EQ(log_.errors.size(), 2u);
    EXPECT_EQ(log_.errors[0], "Failed to save image: Nothing to write to '" + invalid +
                                  "': the image is empty");
    EXPECT_EQ(log_.errors[1], "Failed to save image: Cannot create a temporary file for '" +
                                  missing + "': " + std::strerror(ENOENT));
}

TEST_F(ImageFileTest, SaveChoosesTheWriterByExtension) {
    struct Case {
        const char* name;
        bool lossless;
    };
    const Case cases[] = {
        {"a.png", true}, {"a.bmp", true},  {"a.tif", true},   {"a.tiff", true}, {"a.pnm", true},
        {"a.PPM", true}, {"a.PNG", true},  {"a.pcx", true},   {"a.xpm", true},
        {"a.jpg", false}, {"a.jpeg", false}, {"a.JPG", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir_.file(c.name);
        EXPECT_TRUE(SaveImageFile(path, SmallImage()));
        ExpectSmallImage(path, c.lossless);
    }
    for (const std::string& e : log_.errors) ADD_FAILURE() << e;
}

TEST_F(ImageFileTest, ForcedOptionsApplyOnlyToLowerCaseExtensions) {
    ASSERT_TRUE(SaveImageFile(dir_.file("a.ppm"), SmallImage()));
    ASSERT_TRUE(SaveImageFile(dir_.file("b.PPM"), SmallImage()));
    ASSERT_TRUE(SaveImageFile(dir_.file("a.png"), SmallImage()));
    ASSERT_TRUE(SaveImageFile(dir_.file("b.PNG"), SmallImage()));
    ASSERT_TRUE(SaveImageFile(dir_.file("a.bmp"), SmallImage()));

    // "ppm" is the program's own writer; "PPM" goes to the toolkit's PNM handler, which happens
    // to write the same bytes.
    const std::string own = "P6\n3 2\n255\n" + SmallImageBytes();
    EXPECT_EQ(testsupport::ReadFileBytes(dir_.file("a.ppm")), own);
    EXPECT_EQ(testsupport::ReadFileBytes(dir_.file("b.PPM")), own);

    // "png" is forced to colour with 16 bits a sample; "PNG" keeps the image's 8 bits.
    const PngHeader forced = ReadPngHeader(testsupport::ReadFileBytes(dir_.file("a.png")));
    EXPECT_EQ(forced.bitDepth, 16);
    EXPECT_EQ(forced.colourType, 2);
    EXPECT_EQ(ReadPngHeader(testsupport::ReadFileBytes(dir_.file("b.PNG"))).bitDepth, 8);

    // "bmp" is forced to 24 bits a pixel (offset 28 of the header).
    const std::string bmp = testsupport::ReadFileBytes(dir_.file("a.bmp"));
    ASSERT_GT(bmp.size(), 30u);
    EXPECT_EQ(static_cast<unsigned char>(bmp[28]), 24);
}

TEST_F(ImageFileTest, PngFormatChoices) {
    struct Case {
        int choice;
        const char* text;
        int bitDepth, colourType;
    };
    const Case cases[] = {
        {0, "Colour 8bpp", 8, 2},   {1, "Colour 16bpp", 16, 2},   {2, "Grey 8bpp", 8, 0},
        {3, "Grey 16bpp", 16, 0},   {4, "Grey red 8bpp", 8, 0},   {5, "Grey red 16bpp", 16, 0},
        {kKeepPngOptions, nullptr, 8, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.choice);
        if (c.text) {
            EXPECT_STREQ(kPngFormatChoices[c.choice].text, c.text);
        }
        const std::string path = dir_.file("choice" + std::to_string(c.choice + 1) + ".png");
        ASSERT_TRUE(SaveImageFile(path, SmallImage(), c.choice));
        const PngHeader h = ReadPngHeader(testsupport::ReadFileBytes(path));
        EXPECT_EQ(h.bitDepth, c.bitDepth);
        EXPECT_EQ(h.colourType, c.colourType);
    }
    EXPECT_EQ(kQuietPngChoice, 1);
}

TEST_F(ImageFileTest, GreyFromTheRedChannelDiffersFromTheMeanGrey) {
    wxImage image(1, 1, false);
    image.SetRGB(0, 0, 200, 0, 0);
    ASSERT_TRUE(SaveImageFile(dir_.file("grey.png"), image, 2));
    ASSERT_TRUE(SaveImageFile(dir_.file("red.png"), image, 4));
    wxImage grey(dir_.file("grey.png")), red(dir_.file("red.png"));
    ASSERT_TRUE(grey.IsOk() && red.IsOk());
    EXPECT_EQ(red.GetRed(0, 0), 200);
    EXPECT_LT(grey.GetRed(0, 0), 200);
}

TEST_F(ImageFileTest, FailedSavesAreReportedWithPathAndCause) {
    struct Case {
        const char* what;
        std::string path;
        wxImage image;
        // The message: "Failed to save image: <step> '<shown>': <cause>".
        std::string step, shown, cause;
    };
    const std::string noExt = dir_.file("noext"), xyz = dir_.file("a.xyz"),
                      gif = dir_.file("a.gif"), invalid = dir_.file("invalid.png"),
                      invalidPpm = dir_.file("invalid.ppm"), missing = dir_.file("missing/a.png"),
                      missingPpm = dir_.file("missing/a.ppm");
    const std::string empty = "the image is empty", noFolder = std::strerror(ENOENT);
    std::vector<Case> cases = {
        {"no extension", noExt, SmallImage(), "No image format for", noExt,
         "the name has no extension"},
        {"unknown extension", xyz, SmallImage(), "No image format for", xyz,
         "the extension \"xyz\" is unknown"},
        // The toolkit's GIF handler writes only images that carry a palette.
        {"GIF of an RGB image", gif, SmallImage(), "Cannot encode", gif, "the GIF encoder failed"},
        {"invalid image", invalid, wxImage(), "Nothing to write to", invalid, empty},
        {"invalid image, own PPM", invalidPpm, wxImage(), "Nothing to write to", invalidPpm, empty},
        {"missing folder", missing, SmallImage(), "Cannot create a temporary file for", missing,
         noFolder},
        {"missing folder, own PPM", missingPpm, SmallImage(), "Cannot create a temporary file for",
         missingPpm, noFolder},
    };
    // A link to /dev/full is written through to the device, which fails every write.
    if (access("/dev/full", W_OK) == 0 &&
        symlink("/dev/full", dir_.file("full.png").c_str()) == 0 &&
        symlink("/dev/full", dir_.file("full.ppm").c_str()) == 0) {
        const std::string noSpace = std::strerror(ENOSPC);
        cases.push_back({"short write", dir_.file("full.png"), SmallImage(), "Cannot write",
                         "/dev/full", noSpace});
        cases.push_back({"short write, own PPM", dir_.file("full.ppm"), SmallImage(),
                         "Cannot write", "/dev/full", noSpace});
    }
    EXPECT_FALSE(SaveImageFile("", SmallImage()));
    EXPECT_TRUE(log_.errors.empty()) << "an empty path is refused silently";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        log_.errors.clear();
        EXPECT_FALSE(SaveImageFile(c.path, c.image));
        EXPECT_EQ(log_.errors, std::vector<std::string>{"Failed to save image: " + c.step + " '" +
                                                        c.shown + "': " + c.cause});
    }
    for (const std::string& name : {noExt, invalid, invalidPpm, gif}) EXPECT_FALSE(Exists(name));
}

// An image saved over an existing one on a full disk leaves the old one whole and no temporary
// file, and the one message names the file and the cause. JPEG conversion writes the same way,
// without a message.
TEST_F(ImageFileTest, SavingOverAnImageOnAFullDiskKeepsTheOldOne) {
    // Noise hardly compresses: every format gives a file of 40 kB or more, far beyond the room
    // left.
    constexpr int kSide = 256;
    wxImage large(kSide, kSide, false);
    unsigned char* p = large.GetData();
    unsigned state = 12345;
    for (int i = 0; i < kSide * kSide * 3; ++i) {
        state = state * 1103515245u + 12345u;
        p[i] = static_cast<unsigned char>(state >> 16);
    }
    const std::string source = dir_.file("large.png");
    ASSERT_TRUE(SaveImageFile(source, large));
    struct Case {
        const char* name;
        bool converted;  // by ConvertImageToJpeg, which logs nothing
    };
    const Case cases[] = {{"view.png", false}, {"view.ppm", false}, {"view.PPM", false},
                          {"view.jpg", false}, {"view.jpg", true}};
    // A page or two of room on a small disk of its own, or else files limited to 8000 bytes.
    const testsupport::Room room{2 * 4096, 8000};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.converted ? " converted" : ""));
        const std::string folder = dir_.file("disk");
        ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
        const std::string report = testsupport::WithLittleRoom(
            folder, 256 * 1024, room,
            [&](const std::string& f) {
                std::string r;
                testsupport::Check(r, SaveImageFile(f + "/" + c.name, SmallImage()),
                                   "no old image");
                return r;
            },
            [&](const std::string& f) {
                const std::string path = f + "/" + c.name;
                const std::string before = testsupport::ReadFileBytes(path);
                log_.errors.clear();
                const bool saved =
                    c.converted ? ConvertImageToJpeg(source, path) : SaveImageFile(path, large);
                std::string r;
                testsupport::Check(r, !saved, "saved without room");
                testsupport::Check(r, !before.empty() && testsupport::ReadFileBytes(path) == before,
                                   "the old image was not left whole");
                std::vector<std::string> names;
                for (const std::string& name : dez::ListMatchingFiles(f, "*"))
                    if (name != "filler") names.push_back(name);
                testsupport::Check(r, names == std::vector<std::string>{c.name},
                                   "a temporary file was left");
                const std::string expected = "Failed to save image: Cannot write '" + path +
                                             "': " + testsupport::FullDiskCause();
                if (c.converted) {
                    testsupport::Check(r, log_.errors.empty(), "the conversion logged");
                } else {
                    testsupport::Check(r, log_.errors == std::vector<std::string>{expected},
                                       "not the one message \"" + expected + "\"");
                }
                return r;
            });
        EXPECT_EQ(report, "");
        std::filesystem::remove_all(folder);
    }
}

TEST_F(ImageFileTest, ConvertToJpeg) {
    const std::string source = dir_.file("source.png");
    ASSERT_TRUE(SaveImageFile(source, SmallImage()));
    // The target's extension does not matter: the result is always JPEG.
    for (const char* target : {"out.jpg", "out.bin"}) {
        SCOPED_TRACE(target);
        ASSERT_TRUE(ConvertImageToJpeg(source, dir_.file(target)));
        const std::string jpeg = testsupport::ReadFileBytes(dir_.file(target));
        ASSERT_GE(jpeg.size(), 3u);
        EXPECT_EQ(jpeg.substr(0, 3), "\xff\xd8\xff");
        ExpectSmallImage(dir_.file(target), false);
    }
    ASSERT_TRUE(testsupport::WriteFileBytes(dir_.file("garbage.png"), "not an image at all"));
    EXPECT_FALSE(ConvertImageToJpeg(dir_.file("absent.png"), dir_.file("x.jpg")));
    EXPECT_FALSE(ConvertImageToJpeg(dir_.file("garbage.png"), dir_.file("y.jpg")));
    EXPECT_FALSE(ConvertImageToJpeg(source, dir_.file("missing/z.jpg")));
    EXPECT_FALSE(Exists(dir_.file("x.jpg")));
    EXPECT_FALSE(Exists(dir_.file("y.jpg")));
}

TEST(ImageSizes, EvenSizeRoundsDown) {
    struct Case {
        int w, h, ew, eh;
    };
    const Case cases[] = {{641, 481, 640, 480}, {640, 480, 640, 480}, {1, 1, 0, 0}, {0, 3, 0, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + " x " + std::to_string(c.h));
        EXPECT_EQ(EvenSize(wxSize(c.w, c.h)), wxSize(c.ew, c.eh));
    }
}

TEST(ImageSaveDialog, TenFiltersWithPpmTwice) {
    std::vector<std::string> parts;
    std::string text = kImageSaveFilter, part;
    for (char c : text) {
        if (c == '|') {
            parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.push_back(part);
    ASSERT_EQ(parts.size(), 20u);
    EXPECT_EQ(parts[0], "JPEG files (*.jpg)");
    EXPECT_EQ(parts[1], "*.jpg");
    EXPECT_EQ(parts[7], "*.ppm");
    EXPECT_EQ(parts[19], "*.ppm");
    EXPECT_EQ(parts[6], parts[18]);
}

}  // namespace
