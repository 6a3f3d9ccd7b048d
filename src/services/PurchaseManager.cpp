#include "services/PurchaseManager.h"

#include "core/Config.h"
#include "core/DataSource.h"
#include "core/Log.h"
#include "services/PurchaseHelperTimer.h"
#include "services/User.h"
#include "services/UserManager.h"

#include <exception>
#include <new>

namespace vorn {

namespace {

std::string textOf(const Value& v) {
    return v.type() == Value::ARRAY || v.type() == Value::DICT ? std::string() : v.toString();
}

} // namespace

void PurchaseManager::Helper::requestProducts(const std::vector<std::string>&) {}

namespace {

PurchaseManager* made = nullptr;

} // namespace

PurchaseManager* PurchaseManager::instance() {
    static PurchaseManager* manager = made = new PurchaseManager();
    return manager;
}

void PurchaseManager::resetForTests() {
    if (made == nullptr) return;
    delete made->currentTransaction_;
    made->~PurchaseManager();
    new (made) PurchaseManager();
}

PurchaseManager::PurchaseManager() : backEnd_(std::make_unique<PurchaseHelperTimer>()) {}

void PurchaseManager::setBackEnd(std::unique_ptr<Helper> backEnd) {
    if (currentTransaction_ != nullptr) {
        log("PurchaseManager::setBackEnd: a purchase is open, back end kept");
        return;
    }
    backEnd_ = std::move(backEnd);
}

DataSource* PurchaseManager::dataSource(const std::string& name) {
    auto it = dataSources_.find(name);
    if (it != dataSources_.end()) return it->second;
    return dataSources_.emplace(name, DataSource::get(name)).first->second;
}

void PurchaseManager::loadProducts() {
    const Value& list = Config::instance()->get("products");
    std::vector<std::string> ids;
    if (list.isSet() && list.type() != Value::ARRAY) log("PurchaseManager: \"products\" is not a list, no products");
    for (unsigned i = 0; list.type() == Value::ARRAY && i < list.size(); ++i) {
        const Value& entry = list.at(i);
        if (entry.type() != Value::DICT) {
            log("PurchaseManager: product %u is not a dictionary, skipped", i + 1);
            continue;
        }
        Product product;
        product.ID = textOf(entry.get("ID"));
        product.name = textOf(entry.get("name"));
        product.price = 0.0;
        product.priceText.clear();
        const Value& removeAds = entry.get("removeAds");
        product.removeAds = removeAds.type() != Value::ARRAY && removeAds.type() != Value::DICT && removeAds.asBool();
        const Value& resources = entry.get("resources");
        if (resources.type() == Value::DICT) {
            for (const std::string& key : resources.keys()) {
                try {
                    product.resources[key] = resources.get(key).asLongLong();
                } catch (const std::exception&) {
                    log("PurchaseManager: %s of product %s is not a number, left out", key.c_str(), product.ID.c_str());
                }
            }
        }
        products_[product.ID] = product;
        ids.push_back(product.ID);
        dataSource("$products." + product.ID + ".name")->set(Value(product.name));
        dataSource("$products." + product.ID + ".price")->set(Value("0.00 CUR"));
    }
    log("products loaded");
    backEnd_->requestProducts(ids);
}

bool PurchaseManager::purchase(const std::string& id, std::function<void(Transaction*)> callback) {
    if (currentTransaction_ != nullptr) return false;
    auto it = products_.find(id);
    if (it == products_.end()) return false;
    auto* t = new Transaction();
    t->product = &it->second;
    t->callback = std::move(callback);
    currentTransaction_ = t;
    backEnd_->purchase(t);
    return true;
}

void PurchaseManager::restorePurchases(std::function<void()> callback) {
    restoreCallback_ = std::move(callback);
    backEnd_->restore();
}

void PurchaseManager::onRestoreFinished() {
    // A callback that asks for another restore replaces itself: it runs
    // from a copy.
    if (const std::function<void()> callback = restoreCallback_) callback();
}

bool PurchaseManager::credit(const Product& product) {
    User* user = UserManager::instance()->currentUser();
    if (user == nullptr) {
        log("PurchaseManager: no player selected, %s not credited", product.ID.c_str());
        return false;
    }
    for (const auto& [resource, amount] : product.resources) user->getResource(resource).add(amount);
    if (product.removeAds) user->setValue(Value(true), "removesAds");
    UserManager::instance()->userDataChanged();
    return true;
}

void PurchaseManager::grantProduct(const std::string& id) {
    auto it = products_.find(id);
    if (it == products_.end()) return;
    credit(it->second);
}

void PurchaseManager::onTransactionFinished(Transaction* t) {
    if (t == nullptr || t != currentTransaction_) {
        log("Error: incorrect transaction!");
        return;
    }
    // With nobody to credit, the buyer hears that the purchase failed.
    if (t->success && !credit(*t->product)) t->success = false;
    if (t->callback) t->callback(t);
    delete t;
    currentTransaction_ = nullptr;
}

void PurchaseManager::onProductInfo(const std::string& id, double price, const std::string& priceText) {
    auto it = products_.find(id);
    if (it == products_.end()) return;
    it->second.price = price;
    it->second.priceText = priceText;
    dataSource("$products." + id + ".price")->set(Value(priceText));
}

} // namespace vorn
