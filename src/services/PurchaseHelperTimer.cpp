#include "services/PurchaseHelperTimer.h"

namespace vorn {

PurchaseHelperTimer::PurchaseHelperTimer()
    : purchaseTimer_(3.0f,
                     [this] {
                         PurchaseManager::Transaction* t = pending_;
                         pending_ = nullptr;
                         if (t == nullptr) return;
                         t->success = true;
                         t->transactionId = "abc-123-678";
                         PurchaseManager::instance()->onTransactionFinished(t);
                     }),
      restoreTimer_(3.0f, [] { PurchaseManager::instance()->onRestoreFinished(); }) {}

void PurchaseHelperTimer::purchase(PurchaseManager::Transaction* transaction) {
    pending_ = transaction;
    purchaseTimer_.start();
}

void PurchaseHelperTimer::restore() { restoreTimer_.start(); }

} // namespace vorn
