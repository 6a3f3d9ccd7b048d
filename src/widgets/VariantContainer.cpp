#include "widgets/VariantContainer.h"

namespace vorn {

VariantContainer::VariantContainer() { setStateStop(true); }

VariantContainer::~VariantContainer() = default;

void VariantContainer::setProperties(const Attributes& attributes) {
    Node::setProperties(attributes);
    const auto source = attributes.find("dataSource");
    if (source != attributes.end()) setDataSource(source->second.toString());
}

void VariantContainer::onEnterStage() {
    Node::onEnterStage();
    connect();
}

void VariantContainer::onValueChanged(const Value& value) { showOnlyChild(value.toString()); }

} // namespace vorn
