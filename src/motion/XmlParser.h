#pragma once
// A small XML reader: a whole document becomes a tree of XmlTreeNode elements with their
// attributes, texts and clear sections. The first problem is reported as a numbered result code
// with a line and a column. Texts keep the document's 8-bit encoding; the encoding only decides
// how many bytes a character takes, so that multi-byte characters are stepped over whole. UTF-16
// input is converted to UTF-8 before parsing.
#include <cstddef>
#include <cstdint>
#include <string>

#include "motion/XmlTreeNode.h"

// Result codes; 1 and 2 are warnings (the tree is kept), the others errors. 15-20 exist only as
// message texts.
enum XmlResultCode : int {
    kXmlOk = 0,
    kXmlUnmatchedEndTagWarning = 1,
    kXmlNoTagFound = 2,
    kXmlNoData = 3,
    kXmlMissingStartTagName = 4,
    kXmlMissingEndTagName = 5,
    kXmlUnmatchedEndTag = 6,
    kXmlUnmatchedClearTagEnd = 7,
    kXmlUnexpectedToken = 8,
    kXmlNoElements = 9,
    kXmlFileNotFound = 10,
    kXmlFirstTagNotFound = 11,
    kXmlUnknownEntity = 12,
    kXmlCharCodeAbove255 = 13,
    kXmlConversionFailed = 14,
    kXmlTooDeep = 21,
};

// Elements nested deeper than this are refused (the parser recurses once per level).
constexpr int kXmlMaxDepth = 256;

// Encodings: 1 UTF-8, 2 single-byte, 3 Shift-JIS, 4 GB2312, 5 Big5, 6 GBK; 0 = undetermined.
enum XmlEncoding : int {
    kXmlEncodingUnknown = 0,
    kXmlEncodingUtf8 = 1,
    kXmlEncodingSingleByte = 2,
    kXmlEncodingShiftJis = 3,
    kXmlEncodingGb2312 = 4,
    kXmlEncodingBig5 = 5,
    kXmlEncodingGbk = 6,
};

struct XmlParseResult {
    int code = 0;
    int line = 0;  // 1-based; 0 unless the code is non-zero and came from the text
    int column = 0;
    std::string reason;  // why the file could not be read (kXmlFileNotFound)
};

// Reads a file, first installing the encoding its first 200 bytes show (an undetermined one
// keeps the previous document's). Returns the element named `firstTag` (any first element when
// it is null or empty). *ok is true only for result code 0; otherwise *message (when given)
// receives the load message with the file, the problem, its line and column.
XmlTreeNode XmlLoadDocument(const char* path, const char* firstTag, bool* ok, std::string* message);
XmlTreeNode XmlParseDocumentFile(const char* path, const char* firstTag, XmlParseResult* result);
// `text` is NUL-terminated.
XmlTreeNode XmlParseDocumentText(const char* text, const char* firstTag, XmlParseResult* result);

// Guesses the encoding of the first bytes of a document: 0 for fewer than 25 bytes or UTF-16;
// with `useDeclaration` the xml declaration's encoding value decides when there is one.
int XmlDetectEncoding(const uint8_t* bytes, size_t length, bool useDeclaration);
// Stores the switches, then installs the encoding. Returns false on success and true for an
// encoding outside 1-6, which leaves the encoding in force.
bool XmlSetParseOptions(int encoding, bool checkUtf16, bool trimText, bool foldComments);
// The encoding in force for documents whose own cannot be determined.
int XmlCurrentEncoding();
// Text of a result code; "Unknown" for other values.
const char* XmlErrorMessage(int code);
