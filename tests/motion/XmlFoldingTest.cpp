// Comment folding: a comment between two texts of an element is dropped and the texts joined.
// The folding must keep every other entry of the element where it was, however many comments a
// document folds.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "motion/XmlParser.h"
#include "motion/XmlTreeNode.h"

namespace {

// The parser's switches are program-wide: each test puts the defaults back.
class OptionsGuard {
public:
    explicit OptionsGuard(bool fold) : saved_(XmlCurrentEncoding()) {
        XmlSetParseOptions(kXmlEncodingUtf8, true, true, fold);
    }
    ~OptionsGuard() { XmlSetParseOptions(saved_, true, true, true); }

private:
    int saved_;
};

// Texts, clear sections ("<!--c-->" written back with their markers) and child names of an
// element, each list in its own order.
struct Content {
    std::vector<std::string> texts;
    std::vector<std::string> clears;
    std::vector<std::string> children;
    bool operator==(const Content& o) const {
        return texts == o.texts && clears == o.clears && children == o.children;
    }
};

std::ostream& operator<<(std::ostream& os, const Content& c) {
    os << "texts:";
    for (const std::string& t : c.texts) os << " [" << t << "]";
    os << " clears:";
    for (const std::string& t : c.clears) os << " [" << t << "]";
    os << " children: " << c.children.size();
    return os;
}

Content ContentOf(const XmlTreeNode& e) {
    Content c;
    for (int i = 0; i < e.TextCount(); ++i) c.texts.emplace_back(e.TextAt(i));
    for (int i = 0; i < e.ClearSectionCount(); ++i)
        c.clears.push_back(std::string(e.ClearSectionOpening(i)) + e.ClearSectionContent(i) + e.ClearSectionClosing(i));
    for (int i = 0; i < e.ChildCount(); ++i) c.children.emplace_back(e.ChildAt(i).GetName());
    return c;
}

Content Parse(const std::string& document) {
    XmlParseResult r;
    const XmlTreeNode root = XmlParseDocumentText(document.c_str(), nullptr, &r);
    EXPECT_EQ(r.code, kXmlOk) << document;
    return ContentOf(root);
}

struct FoldCase {
    const char* name;
    const char* body;  // inside <a>...</a>
    Content folded;
    Content kept;  // with folding off
};

void PrintTo(const FoldCase& c, std::ostream* os) { *os << c.name; }

class CommentFolding : public testing::TestWithParam<FoldCase> {};

TEST_P(CommentFolding, FoldsOnlyACommentBetweenTwoTexts) {
    const FoldCase& c = GetParam();
    const std::string document = std::string("<a>") + c.body + "</a>";
    {
        OptionsGuard guard(true);
        EXPECT_EQ(Parse(document), c.folded);
    }
    OptionsGuard guard(false);
    EXPECT_EQ(Parse(document), c.kept);
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, CommentFolding,
    testing::Values(
        FoldCase{"between_texts", "x<!--c-->y", {{"xy"}, {}, {}}, {{"x", "y"}, {"<!--c-->"}, {}}},
        FoldCase{"two_comments", "x<!--c--><!--d-->y", {{"x", "y"}, {"<!--c-->", "<!--d-->"}, {}},
                 {{"x", "y"}, {"<!--c-->", "<!--d-->"}, {}}},
        FoldCase{"cdata_is_kept", "x<![CDATA[c]]>y", {{"x", "y"}, {"<![CDATA[c]]>"}, {}},
                 {{"x", "y"}, {"<![CDATA[c]]>"}, {}}},
        FoldCase{"element_between", "x<!--c--><b/>y", {{"x", "y"}, {"<!--c-->"}, {"b"}},
                 {{"x", "y"}, {"<!--c-->"}, {"b"}}},
        FoldCase{"blank_after", "x<!--c-->  ", {{"x"}, {"<!--c-->"}, {}}, {{"x"}, {"<!--c-->"}, {}}},
        FoldCase{"chain", "x<!--c-->y<!--d-->z", {{"xyz"}, {}, {}},
                 {{"x", "y", "z"}, {"<!--c-->", "<!--d-->"}, {}}},
        FoldCase{"cdata_then_comment", "x<!--c-->y<![CDATA[d]]>z<!--e-->w<!--f-->",
                 {{"xy", "zw"}, {"<![CDATA[d]]>", "<!--f-->"}, {}},
                 {{"x", "y", "z", "w"}, {"<!--c-->", "<![CDATA[d]]>", "<!--e-->", "<!--f-->"}, {}}},
        FoldCase{"repeated", "<b/>t<!---->t<b/>t<!---->t", {{"tt", "tt"}, {}, {"b", "b"}},
                 {{"t", "t", "t", "t"}, {"<!---->", "<!---->"}, {"b", "b"}}}));

// Removing a clear section renumbers the ones after it in the element's order, so a later
// fold still finds the comment that ends the element.
TEST(XmlTreeNode, RemovingClearSectionsKeepsTheOrder) {
    XmlTreeNode doc = XmlTreeNode::CreateDocument();
    doc.AppendText("a");
    doc.AppendClearSection("1");
    doc.AppendText("b");
    doc.AppendClearSection("2", "<!--", "-->");
    EXPECT_TRUE(doc.EndsWithTextAndComment());
    doc.RemoveClearSection(0);
    ASSERT_EQ(doc.ClearSectionCount(), 1);
    EXPECT_STREQ(doc.ClearSectionContent(0), "2");
    EXPECT_TRUE(doc.EndsWithTextAndComment());
    doc.RemoveLastClearSection();
    EXPECT_EQ(doc.ClearSectionCount(), 0);
    EXPECT_FALSE(doc.EndsWithTextAndComment());

    // The last clear section need not be the last entry.
    doc.AppendClearSection("3", "<!--", "-->");
    doc.AppendText("c");
    doc.RemoveLastClearSection();
    EXPECT_FALSE(doc.EndsWithTextAndComment());
    doc.AppendClearSection("4", "<!--", "-->");
    EXPECT_TRUE(doc.EndsWithTextAndComment());
    doc.RemoveClearSection(5);  // out of range: nothing
    doc.RemoveClearSection(-1);
    EXPECT_EQ(doc.ClearSectionCount(), 1);
    EXPECT_EQ(doc.TextCount(), 3);
}

// Random bodies against a model of the rule: a text that follows a text and a comment joins
// that text and the comment goes.
TEST(CommentFolding, RandomBodiesFollowTheRule) {
    OptionsGuard guard(true);
    std::mt19937 random(29);
    const char* const pieces[] = {"t", "u", " ", "<!--c-->", "<!---->", "<![CDATA[d]]>", "<b/>", "<b>i</b>"};
    for (int round = 0; round < 300; ++round) {
        std::string body;
        const int count = static_cast<int>(random() % 40);
        for (int k = 0; k < count; ++k) body += pieces[random() % std::size(pieces)];
        SCOPED_TRACE(body);

        // Model: entries of kind 't' (text), 'c' (comment), 'x' (other clear), 'e' (element).
        Content expected;
        std::vector<char> kinds;
        std::string pending;
        auto flush = [&] {
            const size_t from = pending.find_first_not_of(' ');
            if (from != std::string::npos) {
                const std::string text = pending.substr(from, pending.find_last_not_of(' ') + 1 - from);
                if (kinds.size() >= 2 && kinds[kinds.size() - 1] == 'c' && kinds[kinds.size() - 2] == 't') {
                    kinds.pop_back();
                    expected.clears.pop_back();
                    expected.texts.back() += text;
                } else {
                    kinds.push_back('t');
                    expected.texts.push_back(text);
                }
            }
            pending.clear();
        };
        for (size_t p = 0; p < body.size();) {
            const size_t close = body.find('>', p);
            if (body[p] != '<') {
                pending += body[p++];
                continue;
            }
            flush();
            std::string token = body.substr(p, close + 1 - p);
            if (token == "<b>") token = body.substr(p, body.find("</b>", p) + 4 - p);
            p += token.size();
            if (token[1] == 'b') {
                kinds.push_back('e');
                expected.children.emplace_back("b");
            } else {
                kinds.push_back(token[2] == '-' ? 'c' : 'x');
                expected.clears.push_back(token);
            }
        }
        flush();
        EXPECT_EQ(Parse("<a>" + body + "</a>"), expected);
    }
}

}  // namespace
