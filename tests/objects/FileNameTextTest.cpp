// File names that are not UTF-8 (a Latin-1 name from an older system) survive the trip through the
// toolkit's strings, so such a file opens; UTF-8 names are their plain text.
#include "objects/FileNameText.h"

#include <gtest/gtest.h>

#include <string>

TEST(FileNameText, BytesSurviveTheToolkitString) {
    const char* names[] = {"/data/walk.c3d", "/données/marche ü 歩く.c3d", "/data/march\xe9.c3d",
                           "/data/\xff\xfe\x80.c3d", ""};
    for (const char* bytes : names) {
        SCOPED_TRACE(bytes);
        const wxString text = FileNameFromBytes(bytes);
        EXPECT_EQ(FileNameBytes(text), bytes);
        // The toolkit's own UTF-8 text of such a string is valid UTF-8 and leads back too.
        EXPECT_EQ(FileNameBytes(wxString::FromUTF8(text.utf8_string().c_str())), bytes);
    }
    EXPECT_EQ(FileNameFromBytes("/données/a.c3d"), wxString::FromUTF8("/données/a.c3d"));
    EXPECT_EQ(FileNameFromBytes(nullptr), wxString());
}
