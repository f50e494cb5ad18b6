// libFuzzer target for the XML reader on files: byte-order marks, UTF-16, the encoding guessed
// from the first bytes, and the load message of a failure.
//   build-fuzz/fuzz/fuzz_xml_file -max_len=65536 CORPUS fuzz/seeds/xml
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "motion/XmlParser.h"
#include "motion/XmlTreeNode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = fuzzsupport::WriteInput(data, size, ".xml");
    XmlSetParseOptions(kXmlEncodingUtf8, true, true, true);
    bool ok = false;
    std::string message;
    XmlTreeNode root = XmlLoadDocument(path.c_str(), "KinematicModel", &ok, &message);
    if (!ok && message.empty()) __builtin_trap();  // a failure always says why
    root = XmlLoadDocument(path.c_str(), nullptr, &ok, &message);
    for (int i = 0; i < root.ChildCount(); ++i) root.ChildAt(i).TextCount();
    return 0;
}
