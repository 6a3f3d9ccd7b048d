#pragma once

#include "scene/DataSourceListener.h"
#include "scene/Node.h"

#include <string>

namespace vorn {

// What the widgets that hold a chosen value share: the "on_change" script
// and the binding to a data source, connected at every stage entry.
class ValueWidget : public virtual Node, public virtual DataSourceListener {
public:
    // "on_change" and "dataSource".
    void setProperties(const Attributes& attributes) override;

protected:
    // Stores the value in the bound source, which answers at once.
    void publish(const Value& value);
    // Runs "on_change" from a copy: the script may set a new one.
    void runOnChange();

private:
    std::string onChange_;
};

} // namespace vorn
