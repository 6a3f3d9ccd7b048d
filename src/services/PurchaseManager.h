#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vorn {

class DataSource;

// The in-game store: bundles of counted resources described by the
// configuration's "products", bought one at a time through a replaceable
// store back end and credited to the selected profile.
class PurchaseManager {
public:
    struct Product {
        std::string ID;
        std::string name;
        double price = 100500.0;
        std::string priceText = "100500";
        bool removeAds = false;
        std::map<std::string, long long> resources;
    };

    struct Transaction {
        Product* product = nullptr;
        std::string transactionId;
        bool success = false;
        std::function<void(Transaction*)> callback;
    };

    // A store behind the purchases. It reports back through the manager's
    // onTransactionFinished, onProductInfo and the restore callback, on the
    // main thread.
    class Helper {
    public:
        virtual ~Helper() = default;
        virtual void requestProducts(const std::vector<std::string>& ids);
        virtual void purchase(Transaction* transaction) = 0;
        virtual void restore() = 0;
    };

    static PurchaseManager* instance();
    PurchaseManager(const PurchaseManager&) = delete;
    PurchaseManager& operator=(const PurchaseManager&) = delete;

    // Replaces the store back end (the simulated one unless replaced).
    void setBackEnd(std::unique_ptr<Helper> backEnd);

    void loadProducts();
    // False when a purchase is open or the product is unknown; the callback
    // is then never called.
    bool purchase(const std::string& id, std::function<void(Transaction*)> callback);
    void restorePurchases(std::function<void()> callback);
    void grantProduct(const std::string& id);

    void onTransactionFinished(Transaction* transaction);
    void onProductInfo(const std::string& id, double price, const std::string& priceText);
    void onRestoreFinished();

    const std::map<std::string, Product>& products() const { return products_; }
    bool isPurchasing() const { return currentTransaction_ != nullptr; }

    // For tests: the manager as made, with no products, no open purchase
    // and the simulated back end. Does nothing when never made.
    static void resetForTests();

private:
    PurchaseManager();
    // Credits a product to the selected profile; false (and a log line)
    // when no profile is selected.
    bool credit(const Product& product);
    DataSource* dataSource(const std::string& name);

    std::map<std::string, Product> products_;
    Transaction* currentTransaction_ = nullptr;
    std::unique_ptr<Helper> backEnd_;
    std::map<std::string, DataSource*> dataSources_;
    std::function<void()> restoreCallback_;
};

} // namespace vorn
