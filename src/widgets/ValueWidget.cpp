#include "widgets/ValueWidget.h"

#include "core/DataSource.h"
#include "core/VM.h"
#include "scene/LoadContext.h"

namespace vorn {

void ValueWidget::setProperties(const Attributes& attributes) {
    Node::setProperties(attributes);
    LoadContext::each(attributes, [&](const std::string& key, const Value& value) {
        if (key == "on_change") {
            onChange_ = value.toString();
        } else if (key == "dataSource") {
            setDataSource(value.toString());
        }
    });
}

void ValueWidget::publish(const Value& value) {
    if (!getDataSourceName().empty()) getDataSource()->set(value);
}

void ValueWidget::runOnChange() {
    if (onChange_.empty()) return;
    const std::string script = onChange_;
    VM::execute(script);
}

} // namespace vorn
