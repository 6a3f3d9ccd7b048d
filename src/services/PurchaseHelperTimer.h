#pragma once

#include "services/PurchaseManager.h"
#include "core/Timer.h"

namespace vorn {

// The store back end of this platform: no store behind it. Every purchase
// succeeds, and every restore finishes, three seconds after it started.
class PurchaseHelperTimer : public PurchaseManager::Helper {
public:
    PurchaseHelperTimer();

    void purchase(PurchaseManager::Transaction* transaction) override;
    void restore() override;

private:
    Timer purchaseTimer_;
    Timer restoreTimer_;
    PurchaseManager::Transaction* pending_ = nullptr;
};

} // namespace vorn
