#include "scene/DataSourceListener.h"

#include "core/DataSource.h"

namespace vorn {

DataSourceListener::~DataSourceListener() = default;

void DataSourceListener::connect() {
    if (!dataSourceName_.empty()) registerListener();
}

void DataSourceListener::onValueChanged(const Value&) {}

void DataSourceListener::registerListener() {
    // The name is read when the change comes: it is always the one held now.
    auto listener = std::make_shared<Event::Listener>(
        [this](Event*) { onValueChanged(DataSource::get(dataSourceName_)->value()); });
    listener_ = listener;
    DataSource::get(dataSourceName_)->changed().addListener(listener.get());
    onValueChanged(DataSource::get(dataSourceName_)->value());
}

void DataSourceListener::setDataSource(const std::string& name) {
    listener_.reset();
    dataSourceName_ = name;
    if (isOnStage() && !dataSourceName_.empty()) registerListener();
}

DataSource* DataSourceListener::getDataSource() const { return DataSource::get(dataSourceName_); }

} // namespace vorn
