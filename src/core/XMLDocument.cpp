#include "core/XMLDocument.h"

#include <tinyxml2.h>

namespace vorn {

XMLDocument::XMLDocument(const std::string& path)
    : Resource(path), document_(std::make_unique<tinyxml2::XMLDocument>(true, tinyxml2::PRESERVE_WHITESPACE)) {}

XMLDocument::~XMLDocument() = default;

const tinyxml2::XMLElement* XMLDocument::root() const { return document_->FirstChildElement(); }

} // namespace vorn
