#pragma once

#include "core/Resource.h"

#include <memory>

namespace tinyxml2 {
class XMLDocument;
class XMLElement;
} // namespace tinyxml2

namespace vorn {

// One parsed XML file, cached by the resource manager under the name it was
// requested by. A missing or malformed file gives a document without a root
// element, never a null resource.
class XMLDocument : public Resource {
public:
    // An empty document named after the file it will be read from.
    explicit XMLDocument(const std::string& path);
    ~XMLDocument() override;
    XMLDocument(const XMLDocument&) = delete;
    XMLDocument& operator=(const XMLDocument&) = delete;

    tinyxml2::XMLDocument& document() { return *document_; }
    const tinyxml2::XMLDocument& document() const { return *document_; }
    // The first child element; null after a failed read.
    const tinyxml2::XMLElement* root() const;

private:
    std::unique_ptr<tinyxml2::XMLDocument> document_;
};

} // namespace vorn
