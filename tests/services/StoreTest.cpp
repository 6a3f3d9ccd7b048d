// The store: products from the configuration, purchases through the
// simulated back end on a stepped clock, and a back end of the test's own.
#include "core/DataSource.h"
#include "services/PurchaseManager.h"
#include "services/User.h"
#include "services/UserManager.h"

#include "ServicesFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using vorn::DataSource;
using vorn::PurchaseManager;
using vorn::UserManager;
using vorn::Value;

const char* kProducts = "<key>products</key><array>"
                        "<dict><key>ID</key><string>coins_small</string><key>name</key><string>Small coins</string>"
                        "<key>resources</key><dict><key>gold</key><integer>100</integer><key>hint</key><integer>2</integer>"
                        "</dict></dict>"
                        "<dict><key>ID</key><string>no_ads</string><key>name</key><string>No ads</string>"
                        "<key>removeAds</key><true/></dict>"
                        "<string>not a product</string>"
                        "</array>";

class Store : public vorn::test::ServicesTest {
protected:
    Store() { configure(kProducts); }
    static PurchaseManager* store() { return PurchaseManager::instance(); }
    static std::string text(const std::string& source) { return DataSource::get(source)->value().toString(); }
    // Seconds of frames at 60 per second.
    static void run(float seconds) {
        for (int i = 0; i < int(seconds * 60.0f + 0.5f); ++i) frame(1.0f / 60.0f);
    }
};

TEST_F(Store, ProductsArePublishedFromTheConfiguration) {
    vorn::test::LogCapture log;
    store()->loadProducts();
    EXPECT_EQ(text("$products.coins_small.name"), "Small coins");
    EXPECT_EQ(text("$products.no_ads.name"), "No ads");
    EXPECT_EQ(text("$products.coins_small.price"), "0.00 CUR");
    EXPECT_EQ(text("$products.no_ads.price"), "0.00 CUR");
    EXPECT_EQ(log.count("products loaded"), 1);
    EXPECT_EQ(log.count("product 3 is not a dictionary"), 1);
    EXPECT_EQ(store()->products().size(), 2u);
    store()->onProductInfo("coins_small", 1.99, "1,99 EUR");
    store()->onProductInfo("unknown", 1.0, "x");
    EXPECT_EQ(text("$products.coins_small.price"), "1,99 EUR");
}

TEST_F(Store, APurchaseCompletesThreeSecondsLaterAndCredits) {
    vorn::User* p1 = UserManager::instance()->addUser("P1");
    p1->getResource("gold").set(5);
    store()->loadProducts();
    std::vector<std::string> finished;
    auto callback = [&](PurchaseManager::Transaction* t) {
        finished.push_back(t->product->ID + (t->success ? " ok " : " failed ") + t->transactionId);
    };
    EXPECT_TRUE(store()->purchase("coins_small", callback));
    run(1.0f);
    EXPECT_FALSE(store()->purchase("no_ads", callback));
    EXPECT_FALSE(store()->purchase("unknown", callback));
    run(1.9f);
    EXPECT_TRUE(finished.empty());
    EXPECT_EQ(p1->getResource("gold").amount(), 5);
    run(0.2f);
    EXPECT_EQ(finished, (std::vector<std::string>{"coins_small ok abc-123-678"}));
    EXPECT_EQ(p1->getResource("gold").amount(), 105);
    EXPECT_EQ(p1->getResource("hint").amount(), 2);
    EXPECT_EQ(DataSource::get("@resources.gold")->value(), Value(105LL));
    UserManager::instance()->flushPendingSave();
    EXPECT_NE(vorn::test::readBytes(userFile("users.xml")).find("<integer>105</integer>"), std::string::npos);

    EXPECT_TRUE(store()->purchase("no_ads", callback));
    run(3.1f);
    EXPECT_EQ(p1->getValue("removesAds"), Value(true));
    EXPECT_EQ(finished.size(), 2u);
}

TEST_F(Store, GrantsAndRestores) {
    vorn::User* p1 = UserManager::instance()->addUser("P1");
    store()->loadProducts();
    store()->grantProduct("coins_small");
    store()->grantProduct("unknown");
    EXPECT_EQ(p1->getResource("gold").amount(), 100);
    int restored = 0;
    store()->restorePurchases([&] { ++restored; });
    run(2.9f);
    EXPECT_EQ(restored, 0);
    run(0.2f);
    EXPECT_EQ(restored, 1);
    EXPECT_EQ(p1->getResource("gold").amount(), 100);
}

// A restore callback that asks for another restore replaces itself while it
// runs; its capture is too long for std::function's inline buffer, so a
// closure freed under it is caught.
TEST_F(Store, ARestoreCallbackMayAskForAnotherRestore) {
    store()->loadProducts();
    std::vector<std::string> heard;
    const std::string tag = "the first restore's callback, with a capture longer than any inline buffer";
    store()->restorePurchases([&heard, tag] {
        store()->restorePurchases([&heard] { heard.push_back("second"); });
        heard.push_back(tag);
    });
    run(3.1f);
    EXPECT_EQ(heard, (std::vector<std::string>{tag}));
    run(3.1f);
    EXPECT_EQ(heard, (std::vector<std::string>{tag, "second"}));
}

TEST_F(Store, WithNoPlayerNothingIsCreditedAndTheBuyerIsTold) {
    store()->loadProducts();
    vorn::test::LogCapture log;
    std::vector<bool> results;
    ASSERT_TRUE(store()->purchase("coins_small", [&](PurchaseManager::Transaction* t) { results.push_back(t->success); }));
    run(3.1f);
    store()->grantProduct("coins_small");
    EXPECT_EQ(results, (std::vector<bool>{false}));
    EXPECT_EQ(log.count("no player selected, coins_small not credited"), 2);
    EXPECT_FALSE(store()->isPurchasing());
}

// A store of the test's own: it answers when told to.
class ManualStore : public PurchaseManager::Helper {
public:
    void requestProducts(const std::vector<std::string>& ids) override { requested = ids; }
    void purchase(PurchaseManager::Transaction* t) override { open = t; }
    void restore() override { ++restores; }

    std::vector<std::string> requested;
    PurchaseManager::Transaction* open = nullptr;
    int restores = 0;
};

TEST_F(Store, AnotherBackEndCanBeInstalled) {
    vorn::User* p1 = UserManager::instance()->addUser("P1");
    auto owned = std::make_unique<ManualStore>();
    ManualStore* manual = owned.get();
    store()->setBackEnd(std::move(owned));
    store()->loadProducts();
    EXPECT_EQ(manual->requested, (std::vector<std::string>{"coins_small", "no_ads"}));

    int calls = 0;
    ASSERT_TRUE(store()->purchase("coins_small", [&](PurchaseManager::Transaction*) { ++calls; }));
    ASSERT_NE(manual->open, nullptr);
    vorn::test::LogCapture log;
    PurchaseManager::Transaction stray;
    store()->onTransactionFinished(&stray);
    EXPECT_EQ(log.count("Error: incorrect transaction!"), 1);
    // A failed purchase credits nothing, tells the buyer and closes.
    manual->open->success = false;
    store()->onTransactionFinished(manual->open);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(p1->getResource("gold").amount(), 0);
    EXPECT_FALSE(store()->isPurchasing());
    store()->restorePurchases({});
    EXPECT_EQ(manual->restores, 1);
}

TEST_F(Store, ProductsThatAreNotAListAreNone) {
    configure("<key>products</key><string>coins</string>");
    vorn::test::LogCapture log;
    store()->loadProducts();
    EXPECT_TRUE(store()->products().empty());
    EXPECT_EQ(log.count("\"products\" is not a list"), 1);
}

} // namespace
