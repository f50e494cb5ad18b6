#include "motion/XmlTreeNode.h"

#include <utility>
#include <vector>

#include "platform/TextUtil.h"

namespace {

// Kinds of the document-order entries: index within its own list * 4 + kind.
constexpr int kOrderElement = 0;
constexpr int kOrderText = 2;
constexpr int kOrderClear = 3;

}  // namespace

struct XmlElement {
    struct XmlAttribute {
        std::string name;
        std::string value;
        bool hasValue = false;
    };
    struct XmlClearSection {
        std::string content;
        std::string opening;
        std::string closing;
    };

    std::string name;
    bool hasName = false;
    XmlElement* parent = nullptr;
    bool declaration = false;
    int refs = 0;
    std::vector<XmlElement*> children;  // each holds one reference of this element
    std::vector<std::string> texts;
    std::vector<XmlClearSection> clears;
    std::vector<XmlAttribute> attributes;
    std::vector<int> order;  // how children, texts and clear sections interleave
};

namespace {

// Removes entry `index` of the given kind from the document order and renumbers the later
// entries of that kind.
void DropFromOrder(XmlElement* e, int kind, int index) {
    std::vector<int> kept;
    kept.reserve(e->order.size());
    for (int entry : e->order) {
        const int k = entry & 3;
        const int i = entry >> 2;
        if (k == kind && i == index) continue;
        kept.push_back(k == kind && i > index ? ((i - 1) << 2) | k : entry);
    }
    e->order.swap(kept);
}

void Unlink(XmlElement* e) {
    XmlElement* parent = e->parent;
    if (!parent) return;
    for (size_t i = 0; i < parent->children.size(); ++i) {
        if (parent->children[i] != e) continue;
        parent->children.erase(parent->children.begin() + static_cast<std::ptrdiff_t>(i));
        DropFromOrder(parent, kOrderElement, static_cast<int>(i));
        break;
    }
    e->parent = nullptr;
}

void AddRef(XmlElement* e) {
    if (e) ++e->refs;
}

// Frees elements whose last reference goes, without recursion: deep trees cannot exhaust the
// stack.
void DropRef(XmlElement* e) {
    if (!e || --e->refs > 0) return;
    Unlink(e);
    std::vector<XmlElement*> dying{e};
    while (!dying.empty()) {
        XmlElement* x = dying.back();
        dying.pop_back();
        for (XmlElement* child : x->children) {
            child->parent = nullptr;
            if (--child->refs == 0) dying.push_back(child);
        }
        delete x;
    }
}

}  // namespace

XmlTreeNode::XmlTreeNode(XmlElement* element) : element_(element) { AddRef(element_); }

XmlTreeNode::XmlTreeNode(const XmlTreeNode& other) : element_(other.element_) { AddRef(element_); }

XmlTreeNode::XmlTreeNode(XmlTreeNode&& other) noexcept : element_(other.element_) { other.element_ = nullptr; }

XmlTreeNode& XmlTreeNode::operator=(const XmlTreeNode& other) {
    Assign(other);
    return *this;
}

XmlTreeNode& XmlTreeNode::operator=(XmlTreeNode&& other) noexcept {
    if (this != &other) {
        DropRef(element_);
        element_ = other.element_;
        other.element_ = nullptr;
    }
    return *this;
}

XmlTreeNode::~XmlTreeNode() { DropRef(element_); }

XmlTreeNode XmlTreeNode::CreateDocument() { return XmlTreeNode(new XmlElement()); }

void XmlTreeNode::Assign(const XmlTreeNode& other) {
    // Referencing first keeps the element alive when both handles share it.
    AddRef(other.element_);
    DropRef(element_);
    element_ = other.element_;
}

void XmlTreeNode::Release() {
    DropRef(element_);
    element_ = nullptr;
}

const char* XmlTreeNode::GetName() const { return element_ && element_->hasName ? element_->name.c_str() : nullptr; }

bool XmlTreeNode::IsDeclaration() const { return element_ && element_->declaration; }

XmlTreeNode XmlTreeNode::GetParent() const { return XmlTreeNode(element_ ? element_->parent : nullptr); }

int XmlTreeNode::ChildCount() const { return element_ ? static_cast<int>(element_->children.size()) : 0; }

XmlTreeNode XmlTreeNode::ChildAt(int index) const {
    if (index < 0 || index >= ChildCount()) return XmlTreeNode();
    return XmlTreeNode(element_->children[static_cast<size_t>(index)]);
}

XmlTreeNode XmlTreeNode::ChildByName(const char* name, int* position) const {
    if (!element_ || !name) return XmlTreeNode();
    const int start = position && *position > 0 ? *position : 0;
    for (int i = start; i < ChildCount(); ++i) {
        const XmlElement* child = element_->children[static_cast<size_t>(i)];
        if (child->hasName && dez::EqualsNoCase(child->name, name)) {
            if (position) *position = i + 1;
            return XmlTreeNode(element_->children[static_cast<size_t>(i)]);
        }
    }
    return XmlTreeNode();
}

int XmlTreeNode::AttributeCount() const { return element_ ? static_cast<int>(element_->attributes.size()) : 0; }

const char* XmlTreeNode::AttributeName(int index) const {
    if (index < 0 || index >= AttributeCount()) return nullptr;
    return element_->attributes[static_cast<size_t>(index)].name.c_str();
}

const char* XmlTreeNode::AttributeValue(int index) const {
    if (index < 0 || index >= AttributeCount()) return nullptr;
    const XmlElement::XmlAttribute& a = element_->attributes[static_cast<size_t>(index)];
    return a.hasValue ? a.value.c_str() : nullptr;
}

int XmlTreeNode::TextCount() const { return element_ ? static_cast<int>(element_->texts.size()) : 0; }

const char* XmlTreeNode::TextAt(int index) const {
    if (index < 0 || index >= TextCount()) return nullptr;
    return element_->texts[static_cast<size_t>(index)].c_str();
}

int XmlTreeNode::ClearSectionCount() const { return element_ ? static_cast<int>(element_->clears.size()) : 0; }

const char* XmlTreeNode::ClearSectionContent(int index) const {
    if (index < 0 || index >= ClearSectionCount()) return nullptr;
    return element_->clears[static_cast<size_t>(index)].content.c_str();
}

const char* XmlTreeNode::ClearSectionOpening(int index) const {
    if (index < 0 || index >= ClearSectionCount()) return nullptr;
    return element_->clears[static_cast<size_t>(index)].opening.c_str();
}

const char* XmlTreeNode::ClearSectionClosing(int index) const {
    if (index < 0 || index >= ClearSectionCount()) return nullptr;
    return element_->clears[static_cast<size_t>(index)].closing.c_str();
}

XmlTreeNode XmlTreeNode::AppendChild(const char* name, bool declaration) {
    if (!element_ || !name) return XmlTreeNode();
    auto* child = new XmlElement();
    child->name = name;
    child->hasName = true;
    child->declaration = declaration;
    child->parent = element_;
    child->refs = 1;  // the parent's reference
    element_->order.push_back(static_cast<int>(element_->children.size()) * 4 + kOrderElement);
    element_->children.push_back(child);
    return XmlTreeNode(child);
}

void XmlTreeNode::AppendAttribute(const std::string& name, const char* value) {
    if (!element_) return;
    XmlElement::XmlAttribute a;
    a.name = name;
    a.hasValue = value != nullptr;
    if (value) a.value = value;
    element_->attributes.push_back(std::move(a));
}

void XmlTreeNode::AppendText(std::string text) {
    if (!element_) return;
    element_->order.push_back(static_cast<int>(element_->texts.size()) * 4 + kOrderText);
    element_->texts.push_back(std::move(text));
}

void XmlTreeNode::AppendClearSection(std::string content, const char* opening, const char* closing) {
    if (!element_) return;
    element_->order.push_back(static_cast<int>(element_->clears.size()) * 4 + kOrderClear);
    element_->clears.push_back({std::move(content), opening ? opening : "", closing ? closing : ""});
}

void XmlTreeNode::RemoveClearSection(int index) {
    if (index < 0 || index >= ClearSectionCount()) return;
    element_->clears.erase(element_->clears.begin() + index);
    if (index < ClearSectionCount()) {
        DropFromOrder(element_, kOrderClear, index);
        return;
    }
    // The last clear section renumbers nothing, and its entry is found from the end: a comment
    // folded away is the last entry, so folding stays constant time however long the element.
    std::vector<int>& order = element_->order;
    const int entry = index * 4 + kOrderClear;
    for (size_t i = order.size(); i-- > 0;) {
        if (order[i] != entry) continue;
        order.erase(order.begin() + static_cast<std::ptrdiff_t>(i));
        break;
    }
}

bool XmlTreeNode::AppendToLastText(const std::string& more) {
    if (!element_ || element_->texts.empty()) return false;
    element_->texts.back() += more;
    return true;
}

bool XmlTreeNode::EndsWithTextAndComment() const {
    if (!element_ || element_->order.size() < 2) return false;
    const int last = element_->order[element_->order.size() - 1];
    const int before = element_->order[element_->order.size() - 2];
    if ((last & 3) != kOrderClear || (before & 3) != kOrderText) return false;
    return element_->clears[static_cast<size_t>(last >> 2)].opening == "<!--";
}

void XmlTreeNode::RemoveLastClearSection() { RemoveClearSection(ClearSectionCount() - 1); }

void XmlTreeNode::Compact() {
    if (!element_) return;
    element_->children.shrink_to_fit();
    element_->texts.shrink_to_fit();
    element_->clears.shrink_to_fit();
    element_->attributes.shrink_to_fit();
    element_->order.shrink_to_fit();
}
