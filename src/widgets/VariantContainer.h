#pragma once

#include "scene/DataSourceListener.h"
#include "scene/Node.h"

namespace vorn {

// Shows the one direct child whose name is the text of its data source's
// value and hides the others. It never writes to the source.
class VariantContainer : public virtual Node, public virtual DataSourceListener {
public:
    VariantContainer();
    ~VariantContainer() override;

    // "dataSource".
    void setProperties(const Attributes& attributes) override;
    void onEnterStage() override;
    void onValueChanged(const Value& value) override;
};

} // namespace vorn
