#include "motion/XmlParser.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <string>

#include "support/TestSupport.h"

namespace {

// The parser's encoding is program-wide: every test that changes it puts it back.
class EncodingGuard {
public:
    EncodingGuard() : saved_(XmlCurrentEncoding()) { XmlSetParseOptions(kXmlEncodingUtf8, true, true, true); }
    ~EncodingGuard() { XmlSetParseOptions(saved_, true, true, true); }

private:
    int saved_;
};

struct DocumentCase {
    const char* name;
    std::string text;
    const char* firstTag;
    int code;
    int line;
    int column;
};

void PrintTo(const DocumentCase& c, std::ostream* os) { *os << c.name; }

class XmlDocuments : public testing::TestWithParam<DocumentCase> {};

TEST_P(XmlDocuments, ResultCodeAndPosition) {
    EncodingGuard guard;
    const DocumentCase& c = GetParam();
    XmlParseResult r;
    const XmlTreeNode node = XmlParseDocumentText(c.text.c_str(), c.firstTag, &r);
    EXPECT_EQ(r.code, c.code) << XmlErrorMessage(r.code);
    EXPECT_EQ(r.line, c.line);
    EXPECT_EQ(r.column, c.column);
    // Warnings keep the tree, errors drop it.
    EXPECT_EQ(node.IsEmpty(), r.code > kXmlNoTagFound);
}

std::string Nested(int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i) text += "<a>";
    for (int i = 0; i < depth; ++i) text += "</a>";
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, XmlDocuments,
    testing::Values(
        DocumentCase{"ShortElement", "<a/>", "", 0, 0, 0}, DocumentCase{"Empty", "", "", 2, 1, 1},
        DocumentCase{"OnlyText", "hello", "", 2, 1, 6},
        DocumentCase{"ElementLeftOpenInside", "<a>\n<b>\n</a>", "", 1, 3, 1},
        DocumentCase{"EndTagMatchingNothing", "<a></b>", "", 6, 1, 8},
        DocumentCase{"StrayEndTagAtTop", "<a/></b>", "", 6, 1, 9},
        DocumentCase{"TextEndsInsideElement", "<a>", "", 1, 1, 4}, DocumentCase{"NoStartTagName", "<", "", 4, 1, 2},
        DocumentCase{"NoEndTagName", "<a></>", "", 5, 1, 7}, DocumentCase{"EndTagNotClosed", "<a></a", "", 5, 1, 7},
        DocumentCase{"ClearSectionNotClosed", "<a><![CDATA[x]]</a>", "", 7, 1, 13},
        DocumentCase{"DoctypeNotClosed", "<!DOCTYPE a [<!ELEMENT a>", "", 7, 1, 10},
        DocumentCase{"ValueMissing", "<a b=>", "", 8, 1, 7}, DocumentCase{"QuotedName", "<a \"x\">", "", 8, 1, 7},
        DocumentCase{"UnknownEntity", "<a>&bogus;</a>", "", 12, 1, 13},
        DocumentCase{"EntityWithoutSemicolon", "<a>&amp</a>", "", 12, 1, 10},
        DocumentCase{"ReferenceWithoutDigits", "<a>&#;</a>", "", 12, 1, 9},
        DocumentCase{"BadHexDigit", "<a b='&#x4G;'/>", "", 12, 1, 14},
        DocumentCase{"CodeAbove255", "<a>&#300;</a>", "", 13, 1, 12},
        DocumentCase{"FirstTagMissing", "<a/>", "b", 11, 0, 0},
        DocumentCase{"FirstTagFoundUnderDeclaration", "<?xml version=\"1.0\"?>\n<k/>", "K", 0, 0, 0},
        DocumentCase{"FirstTagOfWarning", "hello", "a", 11, 0, 0},
        DocumentCase{"TwoByteCharacterIsOneColumn", "\xC3\xA9 <", "", 4, 1, 4},
        DocumentCase{"TruncatedCharacterAtTheEnd", "<a>\xE4", "", 1, 1, 5},
        DocumentCase{"DeepButAllowed", Nested(kXmlMaxDepth), "", 0, 0, 0},
        DocumentCase{"TooDeep", Nested(kXmlMaxDepth + 1), "", 21, 1, 3 * kXmlMaxDepth + 3}),
    [](const testing::TestParamInfo<DocumentCase>& p) { return std::string(p.param.name); });

TEST(XmlParser, NoTextAndMessages) {
    XmlParseResult r;
    EXPECT_TRUE(XmlParseDocumentText(nullptr, "", &r).IsEmpty());
    EXPECT_EQ(r.code, kXmlNoElements);
    EXPECT_STREQ(XmlErrorMessage(0), "No error");
    EXPECT_STREQ(XmlErrorMessage(13), "Error: Character code above 255 is forbidden in MultiByte char mode.");
    EXPECT_STREQ(XmlErrorMessage(20), "Error: Base64 decode output buffer is too small");
    EXPECT_STREQ(XmlErrorMessage(99), "Unknown");
    EXPECT_STREQ(XmlErrorMessage(-1), "Unknown");
}

TEST(XmlParser, AttributesAndEntities) {
    EncodingGuard guard;
    XmlParseResult r;
    const XmlTreeNode a = XmlParseDocumentText("<a b=\"1\" c='x y' d e=f/g x='&#65;&#x41;&AMP;&lt;&quot;'/>", "", &r);
    ASSERT_EQ(r.code, 0);
    ASSERT_STREQ(a.GetName(), "a");
    ASSERT_EQ(a.AttributeCount(), 5);
    const char* expected[][2] = {{"b", "1"}, {"c", "x y"}, {"d", nullptr}, {"e", "f/g"}, {"x", "AA&<\""}};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_STREQ(a.AttributeName(i), expected[i][0]);
        if (expected[i][1]) {
            EXPECT_STREQ(a.AttributeValue(i), expected[i][1]);
        } else {
            EXPECT_EQ(a.AttributeValue(i), nullptr);
        }
    }
    EXPECT_EQ(a.AttributeName(5), nullptr);
    EXPECT_EQ(a.AttributeValue(-1), nullptr);
}

TEST(XmlParser, TextsCommentsAndClearSections) {
    EncodingGuard guard;
    XmlParseResult r;
    XmlTreeNode a = XmlParseDocumentText("<a> one <!-- c --> two <b/>  \n <![CDATA[<raw>&amp;]]></a>", "", &r);
    ASSERT_EQ(r.code, 0);
    ASSERT_EQ(a.TextCount(), 1);
    EXPECT_STREQ(a.TextAt(0), "onetwo");  // joined with nothing between
    ASSERT_EQ(a.ClearSectionCount(), 1);
    EXPECT_STREQ(a.ClearSectionContent(0), "<raw>&amp;");
    EXPECT_STREQ(a.ClearSectionOpening(0), "<![CDATA[");
    EXPECT_STREQ(a.ClearSectionClosing(0), "]]>");
    EXPECT_EQ(a.ChildCount(), 1);
    a.RemoveClearSection(0);
    EXPECT_EQ(a.ClearSectionCount(), 0);

    // A comment before the only element keeps the unnamed top element.
    XmlTreeNode top = XmlParseDocumentText("<!-- c --><root/>", "", &r);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(top.GetName(), nullptr);
    EXPECT_EQ(top.ClearSectionCount(), 1);
    EXPECT_STREQ(XmlParseDocumentText("<!-- c --><root/>", "ROOT", &r).GetName(), "root");

    XmlTreeNode doctype = XmlParseDocumentText("<!DOCTYPE a [<!ELEMENT a ANY>]><a/>", "a", &r);
    EXPECT_EQ(r.code, 0);
    EXPECT_STREQ(doctype.GetName(), "a");
    top = XmlParseDocumentText("<!DOCTYPE a [<!ELEMENT a ANY>]><a/>", "", &r);
    ASSERT_EQ(top.ClearSectionCount(), 1);
    EXPECT_STREQ(top.ClearSectionContent(0), " a [<!ELEMENT a ANY>");
    EXPECT_STREQ(top.ClearSectionClosing(0), "]>");
}

TEST(XmlParser, DeclarationsUnderTheTopStayOpenNestedOnesClose) {
    EncodingGuard guard;
    XmlParseResult r;
    const XmlTreeNode xml =
        XmlParseDocumentText("<?xml version=\"1.0\" encoding='UTF-8'?>\n<k><?pi x=\"1\"?><b/></k>", "", &r);
    ASSERT_EQ(r.code, 0);
    ASSERT_STREQ(xml.GetName(), "xml");
    EXPECT_TRUE(xml.IsDeclaration());
    ASSERT_EQ(xml.AttributeCount(), 2);  // the trailing "?" is no attribute
    EXPECT_STREQ(xml.AttributeValue(1), "UTF-8");
    const XmlTreeNode k = xml.ChildByName("k");
    ASSERT_EQ(k.ChildCount(), 2);
    EXPECT_STREQ(k.ChildAt(0).GetName(), "pi");
    EXPECT_EQ(k.ChildAt(0).ChildCount(), 0);
    EXPECT_STREQ(k.ChildAt(1).GetName(), "b");
}

TEST(XmlParser, ElementLeftOpenEndsWithItsParent) {
    EncodingGuard guard;
    XmlParseResult r;
    const XmlTreeNode a = XmlParseDocumentText("<a><b><c/></a>", "", &r);
    EXPECT_EQ(r.code, kXmlUnmatchedEndTagWarning);
    ASSERT_STREQ(a.GetName(), "a");
    ASSERT_EQ(a.ChildCount(), 1);
    EXPECT_EQ(a.ChildAt(0).ChildCount(), 1);
}

TEST(XmlTreeNode, HandlesShareAndOutliveParents) {
    EncodingGuard guard;
    XmlTreeNode root = XmlParseDocumentText("<r><m n='1'/><x/><m n='2'/></r>", "", nullptr);
    int position = 0;
    const XmlTreeNode first = root.ChildByName("M", &position);
    EXPECT_EQ(position, 1);
    XmlTreeNode second = root.ChildByName("m", &position);
    EXPECT_EQ(position, 3);
    EXPECT_STREQ(second.AttributeValue(0), "2");
    EXPECT_TRUE(root.ChildByName("m", &position).IsEmpty());
    EXPECT_EQ(position, 3);
    EXPECT_TRUE(root.ChildAt(3).IsEmpty());
    EXPECT_TRUE(root.ChildAt(-1).IsEmpty());

    root.Release();
    EXPECT_TRUE(root.IsEmpty());
    EXPECT_STREQ(second.AttributeValue(0), "2");  // still alive, detached
    EXPECT_TRUE(second.GetParent().IsEmpty());

    XmlTreeNode copy;
    copy.Assign(second);
    copy.Assign(copy);
    second.Release();
    EXPECT_STREQ(copy.GetName(), "m");

    const XmlTreeNode empty = XmlEmptyNode();
    EXPECT_EQ(empty.GetName(), nullptr);
    EXPECT_EQ(empty.ChildCount(), 0);
    EXPECT_EQ(empty.AttributeCount(), 0);
    EXPECT_TRUE(empty.ChildByName("m").IsEmpty());
    XmlTreeNode building;
    EXPECT_TRUE(building.AppendChild("x", false).IsEmpty());
    building.AppendText("ignored");
    EXPECT_EQ(building.TextCount(), 0);
    XmlTreeNode doc = XmlTreeNode::CreateDocument();
    EXPECT_TRUE(doc.AppendChild(nullptr, false).IsEmpty());
    EXPECT_EQ(doc.ChildCount(), 0);
}

TEST(XmlParser, DeepTreesAreFreedWithoutRecursion) {
    XmlTreeNode node = XmlTreeNode::CreateDocument();
    XmlTreeNode top = node;
    for (int i = 0; i < 100000; ++i) node = node.AppendChild("a", false);
    node.Release();
    top.Release();  // would exhaust the stack if freed recursively
    SUCCEED();
}

TEST(XmlEncoding, Detection) {
    EncodingGuard guard;
    const std::string ascii = "<KinematicModel><Markers/></KinematicModel>";
    const std::string decl = "<?xml version=\"1.0\" encoding=";
    const struct {
        const char* name;
        std::string bytes;
        bool useDeclaration;
        int expected;
    } cases[] = {
        {"short", "<a>twenty-four bytes</a>", true, 0},
        {"bom", "\xEF\xBB\xBF" + ascii, true, 1},
        {"ascii", ascii, true, 1},
        {"latin1", "<a>caf\xE9 au lait, s'il vous pla\xEEt</a>", false, 2},
        {"utf8 declared", decl + "\"UTF-8\"?><a>\xC3\xA9</a>", true, 1},
        {"utf8 declared over latin1", decl + "'utf8'?><a>\xE9t\xE9</a>", true, 0},
        {"latin1 declared", decl + "\"ISO-8859-1\"?><a/>", true, 2},
        {"sjis", decl + "\"Shift-JIS\"?><a/>", true, 3},
        {"gb2312", decl + "\"gb2312\"?><a/>", true, 4},
        {"big5", decl + "\"BIG5\"?><a/>", true, 5},
        {"gbk", decl + "\"GBK\"?><a/>", true, 6},
        {"blanks", "<?xml version='1.0' encoding = \t' SJIS'?><a/>", true, 3},
        {"no quote", decl + "SJIS?><a/>", true, 1},
        {"declaration ignored", decl + "\"GBK\"?><a/>", false, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(XmlDetectEncoding(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size(), c.useDeclaration),
                  c.expected);
    }
    std::string utf16;
    for (char ch : ascii) utf16 += std::string(1, ch) + '\0';
    EXPECT_EQ(XmlDetectEncoding(reinterpret_cast<const uint8_t*>(utf16.data()), utf16.size(), true), 0);

    EXPECT_TRUE(XmlSetParseOptions(0, true, true, true));
    EXPECT_TRUE(XmlSetParseOptions(7, true, true, true));
    EXPECT_EQ(XmlCurrentEncoding(), kXmlEncodingUtf8);
    EXPECT_FALSE(XmlSetParseOptions(kXmlEncodingShiftJis, true, true, true));
    EXPECT_EQ(XmlCurrentEncoding(), kXmlEncodingShiftJis);
}

TEST(XmlEncoding, MultiByteCharactersAreSteppedWhole) {
    EncodingGuard guard;
    // In Shift-JIS the pair 0x81 0x3E is one character: its second byte is no tag close.
    XmlSetParseOptions(kXmlEncodingShiftJis, true, true, true);
    XmlParseResult r;
    const XmlTreeNode a = XmlParseDocumentText("<a v=x\x81>y/>", "", &r);
    EXPECT_EQ(r.code, 0);
    EXPECT_STREQ(a.AttributeValue(0), "x\x81>y");
    // A lead byte right before the end never takes the terminator with it.
    const XmlTreeNode b = XmlParseDocumentText("<b>\x81", "", &r);
    EXPECT_EQ(r.code, kXmlUnmatchedEndTagWarning);
    ASSERT_EQ(b.TextCount(), 1);
    EXPECT_EQ(std::string(b.TextAt(0)), "\x81");
}

TEST(XmlParser, RandomDocumentsEndWithAKnownCode) {
    EncodingGuard guard;
    const char* const pieces[] = {"<",    ">",   "/>",        "</",   "<?",    "?>",     "=",         "\"",
                                  "'",    "&",   "&#",        "&#x",  ";",     "&amp;",  "<![CDATA[", "]]>",
                                  "<!--", "-->", "<!DOCTYPE", "]>",   "<PRE>", "</PRE>", "a",         "b",
                                  " ",    "\n",  "\xC3",      "\xA9", "\xE4",  "\x81",   "\xFF",      "9"};
    const std::set<int> known = {0, 1, 2, 4, 5, 6, 7, 8, 12, 13, 21};
    std::mt19937 random(20240611u);
    for (int encoding = kXmlEncodingUtf8; encoding <= kXmlEncodingGbk; ++encoding) {
        XmlSetParseOptions(encoding, true, true, true);
        for (int round = 0; round < 400; ++round) {
            std::string text;
            const unsigned length = random() % 40;
            for (unsigned i = 0; i < length; ++i) text += pieces[random() % std::size(pieces)];
            XmlParseResult r;
            const XmlTreeNode node = XmlParseDocumentText(text.c_str(), (round % 2) ? "a" : "", &r);
            EXPECT_TRUE(known.count(r.code) || r.code == kXmlFirstTagNotFound) << text;
            EXPECT_EQ(node.IsEmpty(), r.code > kXmlNoTagFound) << text;
        }
    }
}

class XmlFiles : public testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = dir.file(name);
        EXPECT_TRUE(testsupport::WriteFileBytes(path, bytes));
        return path;
    }
    testsupport::TempDir dir;
    EncodingGuard guard;
};

TEST_F(XmlFiles, LoadResultsAndMessages) {
    const std::string good = Write("good.vsk", "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<KinematicModel/>\n");
    const std::string other = Write("other.xml", "<Other/>");
    const std::string warning = Write("warn.xml", "<KinematicModel><a></KinematicModel>");
    const std::string empty = Write("empty.xml", "");
    const std::string missing = dir.file("missing.xml");
    const struct {
        std::string path;
        bool ok;
        std::string message;
    } cases[] = {
        {good, true, ""},
        {other, false,
         "XML Parsing error inside file '" + other +
             "'.\nError: First Tag not found\nAt line 0, column 0.\nFirst Tag should be 'KinematicModel'.\n"},
        {warning, false,
         "XML Parsing error inside file '" + warning + "'.\nWarning: Unmatched end tag\nAt line 1, column 20.\n"},
        {empty, false, "XML Parsing error inside file '" + empty + "'.\nError: No XML data\nAt line 0, column 0.\n"},
        {missing, false,
         "XML Parsing error inside file '" + missing + "'.\nError: File not found: Cannot open '" + missing +
             "': No such file or directory\nAt line 0, column 0.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        bool ok = !c.ok;
        std::string message;
        const XmlTreeNode node = XmlLoadDocument(c.path.c_str(), "KinematicModel", &ok, &message);
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(message, c.message);
        // Without a message buffer a failure is still a failure.
        bool quiet = !c.ok;
        XmlLoadDocument(c.path.c_str(), "KinematicModel", &quiet, nullptr);
        EXPECT_EQ(quiet, c.ok);
    }
}

TEST_F(XmlFiles, Utf16IsConvertedBeforeParsing) {
    const std::string text = "<?xml version=\"1.0\" encoding=\"UTF-16\"?><KinematicModel n=\"\xC3\xA9t\xC3\xA9\"/>";
    // UTF-8 to UTF-16 for the characters used here (all below U+0800).
    std::string le;
    std::string be;
    for (size_t i = 0; i < text.size();) {
        unsigned code = static_cast<unsigned char>(text[i]);
        if (code >= 0xC0) {
            code = ((code & 0x1F) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3F);
            i += 2;
        } else {
            ++i;
        }
        le += static_cast<char>(code & 0xFF);
        le += static_cast<char>(code >> 8);
        be += static_cast<char>(code >> 8);
        be += static_cast<char>(code & 0xFF);
    }
    // A single-byte encoding in force must not garble the converted text.
    XmlSetParseOptions(kXmlEncodingShiftJis, true, true, true);
    for (const std::string& bytes : {std::string("\xFF\xFE") + le, le, std::string("\xFE\xFF") + be, be}) {
        const std::string path = Write("utf16.vsk", bytes);
        bool ok = false;
        std::string message;
        const XmlTreeNode node = XmlLoadDocument(path.c_str(), "KinematicModel", &ok, &message);
        EXPECT_TRUE(ok) << message;
        EXPECT_STREQ(node.AttributeValue(0), "\xC3\xA9t\xC3\xA9");
    }
}

TEST_F(XmlFiles, ShortFilesKeepThePreviousEncoding) {
    const std::string latin = Write("latin.xml", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xE9</a>");
    const std::string tiny = Write("tiny.xml", "<a>twenty-four bytes</a>");
    const std::string utf8 = Write("utf8.xml", "<?xml version=\"1.0\" encoding=\"utf-8\"?><a>\xC3\xA9</a>");
    const std::string lying = Write("lying.xml", "<?xml version=\"1.0\" encoding=\"utf-8\"?><a>\xE9t\xE9</a>");
    bool ok = false;
    XmlLoadDocument(latin.c_str(), "", &ok, nullptr);
    EXPECT_TRUE(ok);
    EXPECT_EQ(XmlCurrentEncoding(), kXmlEncodingSingleByte);
    XmlLoadDocument(tiny.c_str(), "", &ok, nullptr);
    EXPECT_EQ(XmlCurrentEncoding(), kXmlEncodingSingleByte);
    XmlLoadDocument(utf8.c_str(), "", &ok, nullptr);
    EXPECT_EQ(XmlCurrentEncoding(), kXmlEncodingUtf8);
    XmlSetParseOptions(kXmlEncodingSingleByte, true, true, true);
    XmlLoadDocument(lying.c_str(), "", &ok, nullptr);
    EXPECT_EQ(XmlCurrentEncoding(), kXmlEncodingSingleByte);
}

}  // namespace
