#pragma once

#include "core/Event.h"
#include "scene/Node.h"

#include <memory>
#include <string>

namespace vorn {

class DataSource;

// Binds a node to a named data source: every time the node enters the
// stage it hears the source's present value, and from then on every set of
// it at once, inside the setter. Leaving the stage does not unbind; only a
// new name, an empty name or the node's end do.
//
// Classes that mix this in derive from Node virtually too, so that both
// share one node.
class DataSourceListener : public virtual Node {
public:
    DataSourceListener() = default;
    ~DataSourceListener() override;

    // Attaches when a name is set; called at every stage entry. A class
    // that overrides onEnterStage again calls this from its override.
    virtual void connect();
    // Called with the bound source's value; empty here.
    virtual void onValueChanged(const Value& value);

    // A fresh listener replaces the held one, then onValueChanged hears the
    // present value.
    void registerListener();
    // Lets go of the old source at once; attaches to the new one now when
    // on stage, else at the next stage entry.
    void setDataSource(const std::string& name);
    const std::string& getDataSourceName() const { return dataSourceName_; }
    // The source of the held name; never null (an unknown name makes one).
    DataSource* getDataSource() const;
    bool isListening() const { return listener_ != nullptr; }

    void onEnterStage() override { connect(); }

private:
    std::string dataSourceName_;
    std::shared_ptr<Event::Listener> listener_;
};

} // namespace vorn
