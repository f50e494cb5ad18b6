// libFuzzer target for the XML reader on text in memory: the first byte picks the encoding and
// the switches (trimming, comment folding), the rest is the document. Whatever parses is walked
// whole, every query of every element.
//   build-fuzz/fuzz/fuzz_xml_text -max_len=65536 CORPUS fuzz/seeds/xml
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "motion/XmlParser.h"
#include "motion/XmlTreeNode.h"

namespace {

size_t Walk(const XmlTreeNode& root) {
    size_t bytes = 0;
    auto length = [](const char* text) { return text ? std::string(text).size() : 0; };
    std::vector<XmlTreeNode> pending{root};
    while (!pending.empty()) {
        const XmlTreeNode e = pending.back();
        pending.pop_back();
        bytes += length(e.GetName()) + (e.IsDeclaration() ? 1 : 0);
        for (int i = 0; i < e.AttributeCount(); ++i) bytes += length(e.AttributeName(i)) + length(e.AttributeValue(i));
        for (int i = 0; i < e.TextCount(); ++i) bytes += length(e.TextAt(i));
        for (int i = 0; i < e.ClearSectionCount(); ++i) {
            bytes += length(e.ClearSectionContent(i)) + length(e.ClearSectionOpening(i)) +
                     length(e.ClearSectionClosing(i));
        }
        for (int i = 0; i < e.ChildCount(); ++i) pending.push_back(e.ChildAt(i));
        int position = 0;
        while (!e.ChildByName("b", &position).IsEmpty()) ++bytes;
        bytes += e.GetParent().IsEmpty() ? 0 : 1;
    }
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t switches = data[0];
    XmlSetParseOptions(1 + switches % 6, (switches & 0x10) != 0, (switches & 0x20) != 0, (switches & 0x40) == 0);
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    XmlDetectEncoding(data + 1, size - 1, (switches & 0x80) != 0);
    XmlParseResult result;
    const XmlTreeNode root = XmlParseDocumentText(text.c_str(), (switches & 0x80) ? "a" : nullptr, &result);
    XmlErrorMessage(result.code);
    if (Walk(root) > 8 * size + 64) __builtin_trap();  // the tree holds no more than the text
    return 0;
}
