#pragma once
// Reference-counted handle of one element of a parsed XML document. An element lives while a
// handle refers to it or its parent holds it; an element kept by its own handle outlives its
// parent, detached. The empty handle answers every query with nothing.
#include <string>

struct XmlElement;

class XmlTreeNode {
public:
    XmlTreeNode() = default;
    XmlTreeNode(const XmlTreeNode& other);
    XmlTreeNode(XmlTreeNode&& other) noexcept;
    XmlTreeNode& operator=(const XmlTreeNode& other);
    XmlTreeNode& operator=(XmlTreeNode&& other) noexcept;
    ~XmlTreeNode();

    // A new unnamed element with no parent: the top of a document being built.
    static XmlTreeNode CreateDocument();

    // Makes this handle refer to the other's element.
    void Assign(const XmlTreeNode& other);
    // Drops this handle's reference; the handle becomes empty.
    void Release();

    bool IsEmpty() const { return element_ == nullptr; }
    // Null for the empty handle and the unnamed top element.
    const char* GetName() const;
    // Opened with "<?".
    bool IsDeclaration() const;
    // The enclosing element; empty at the top or when detached.
    XmlTreeNode GetParent() const;

    int ChildCount() const;
    XmlTreeNode ChildAt(int index) const;
    // First child from index *position (0 without a position) whose name equals `name`, ASCII
    // case ignored. A hit sets *position to its index + 1, so repeated calls walk every child of
    // that name; a miss gives the empty handle and leaves *position alone.
    XmlTreeNode ChildByName(const char* name, int* position = nullptr) const;

    int AttributeCount() const;
    // Null when the index is out of range; the value is also null for an attribute without "=".
    const char* AttributeName(int index) const;
    const char* AttributeValue(int index) const;

    int TextCount() const;
    const char* TextAt(int index) const;
    // Clear sections (CDATA, DOCTYPE, comments, PRE) are kept verbatim with their markers.
    int ClearSectionCount() const;
    const char* ClearSectionContent(int index) const;
    const char* ClearSectionOpening(int index) const;
    const char* ClearSectionClosing(int index) const;

    // Building. The empty handle ignores them; a child needs a name (null gives the empty handle).
    XmlTreeNode AppendChild(const char* name, bool declaration);
    // A null value stores an attribute without value.
    void AppendAttribute(const std::string& name, const char* value);
    void AppendText(std::string text);
    void AppendClearSection(std::string content, const char* opening = "<![CDATA[", const char* closing = "]]>");
    void RemoveClearSection(int index);
    // Appends to the last text; used to fold a text that a dropped comment interrupted.
    bool AppendToLastText(const std::string& more);
    // True when the last two entries in document order are a text and then a comment.
    bool EndsWithTextAndComment() const;
    void RemoveLastClearSection();
    // Shrinks the element's lists to their size once the element is complete.
    void Compact();

private:
    explicit XmlTreeNode(XmlElement* element);

    XmlElement* element_ = nullptr;
};

// The handle every failed lookup returns.
inline XmlTreeNode XmlEmptyNode() { return XmlTreeNode(); }
