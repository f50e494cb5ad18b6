// The stream buffer behind the "Log" page: whole lines, valid UTF-8, bounded memory.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "app/LogStreamBuf.h"

namespace {

class LogStreamBufTest : public testing::Test {
protected:
    std::vector<std::string> received;
    LogStreamBuf buffer{[this](const std::string& text) { received.push_back(text); }};
    std::ostream out{&buffer};
};

TEST_F(LogStreamBufTest, HandsOverWholeLinesAsTheyEnd) {
    out << "Error reading "
        << "/data/walk.c3d";
    EXPECT_TRUE(received.empty());
    out << "\n";
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], "Error reading /data/walk.c3d\n");
}

TEST_F(LogStreamBufTest, SeveralLinesInOneWriteGoInOneBatch) {
    out << "one\ntwo\nthree";
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], "one\ntwo\n");
    out << std::endl;
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1], "three\n");
}

TEST_F(LogStreamBufTest, FlushesKeepAnUnfinishedLineBack) {
    // std::cerr flushes after every output operation; each piece must not become a line of its
    // own in the text control.
    out << std::unitbuf << "a" << 1 << "b";
    out.flush();
    EXPECT_TRUE(received.empty());
    out << '\n';
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], "a1b\n");
}

TEST_F(LogStreamBufTest, SingleCharactersAndTheUnfinishedRestAtFlush) {
    for (char c : std::string("xy\nz")) out.put(c);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], "xy\n");
    buffer.Flush();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1], "z");
    buffer.Flush();
    EXPECT_EQ(received.size(), 2u);  // nothing left
}

TEST(LogStreamBuf, DestructionHandsOverTheRest) {
    std::vector<std::string> received;
    {
        LogStreamBuf buffer([&](const std::string& text) { received.push_back(text); });
        std::ostream out(&buffer);
        out << "last words";
    }
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], "last words");
}

TEST_F(LogStreamBufTest, ACharacterSplitAcrossWritesArrivesWhole) {
    const std::string e = "\xC3\xA9";  // é
    out << "caf" << e[0];
    out << e[1] << "\n";
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], "caf\xC3\xA9\n");
}

TEST_F(LogStreamBufTest, BytesThatAreNotUtf8BecomeReplacementCharacters) {
    out << "Latin-1 caf\xE9 and a stray \x80 byte\n";
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], "Latin-1 caf\xEF\xBF\xBD and a stray \xEF\xBF\xBD byte\n");
}

TEST_F(LogStreamBufTest, AVeryLongLineGoesOutUnfinishedButNeverInsideACharacter) {
    std::string line = "x";
    while (line.size() < LogStreamBuf::kMaxLineBytes + 10) line += "\xC3\xA9";
    // The line grows past the limit with the first byte of a character still open.
    out << line + "\xC3";
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], line);
    out << "\xA9\n";
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1], "\xC3\xA9\n");
}

TEST(LogStreamBuf, ASinkWritingToItsOwnStreamDoesNotRecurse) {
    std::vector<std::string> received;
    std::ostream* self = nullptr;
    LogStreamBuf buffer([&](const std::string& text) {
        received.push_back(text);
        if (received.size() == 1) *self << "from the sink\n";
    });
    std::ostream out(&buffer);
    self = &out;
    out << "first\n";
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0], "first\n");
    EXPECT_EQ(received[1], "from the sink\n");
}

TEST(RepairUtf8, ValidTextIsUnchangedAndEveryBadByteIsReplaced) {
    struct Case {
        const char* what;
        std::string in, out;
    };
    const std::string r = "\xEF\xBF\xBD";
    const Case cases[] = {
        {"ascii", "plain", "plain"},
        {"two to four bytes", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80",
         "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
        {"overlong slash", "\xC0\xAF", r + r},
        {"surrogate", "\xED\xA0\x80", r + r + r},
        {"above U+10FFFF", "\xF4\x90\x80\x80", r + r + r + r},
        {"cut at the end", "ab\xE2\x82", "ab" + r + r},
        {"stray continuation", "\xBFz", r + "z"},
        {"embedded NUL", std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(RepairUtf8(c.in), c.out);
    }
}

}  // namespace
