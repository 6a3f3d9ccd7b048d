#include "core/Scheduler.h"
#include "core/Timer.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using vorn::Scheduler;
using vorn::Timer;
using Names = std::vector<std::string>;

// Records its turns and may run a scripted action during them.
struct Recorder : vorn::Scheduleable {
    Recorder(std::string n, Names* log) : name(std::move(n)), calls(log) {}
    void onUpdate(float) override {
        if (action) {
            auto once = std::move(action);
            action = nullptr;
            once();
        }
        calls->push_back(name);
    }
    std::string name;
    Names* calls;
    std::function<void()> action;
};

struct PassCase {
    const char* name;
    // Runs during a's first turn; a, b and c are the fixture's objects, of
    // which a and b are registered (in that order) and c is not.
    std::function<void(Scheduler*, std::unique_ptr<Recorder>& a, std::unique_ptr<Recorder>& b,
                       std::unique_ptr<Recorder>& c)>
        action;
    Names firstPass;
    Names secondPass;
};
// Test names and failure messages show the case, not its bytes.
void PrintTo(const PassCase& c, std::ostream* os) { *os << c.name; }

class SchedulerPassTest : public testing::TestWithParam<PassCase> {};

TEST_P(SchedulerPassTest, ChangeDuringAPass) {
    const PassCase& p = GetParam();
    Scheduler* scheduler = Scheduler::instance();
    Names calls;
    auto a = std::make_unique<Recorder>("a", &calls);
    auto b = std::make_unique<Recorder>("b", &calls);
    auto c = std::make_unique<Recorder>("c", &calls);
    scheduler->add(a.get());
    scheduler->add(b.get());
    a->action = [&] { p.action(scheduler, a, b, c); };

    scheduler->update(0.1f);
    EXPECT_EQ(calls, p.firstPass);
    calls.clear();
    scheduler->update(0.1f);
    EXPECT_EQ(calls, p.secondPass);

    for (auto* r : {a.get(), b.get(), c.get()}) {
        if (r) {
            scheduler->remove(r);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Actions, SchedulerPassTest,
    testing::Values(
        PassCase{"AddIsUpdatedFromTheNextPass", [](Scheduler* s, auto&, auto&, auto& c) { s->add(c.get()); },
                 Names{"a", "b"}, Names{"a", "b", "c"}},
        PassCase{"RemovedObjectKeepsItsTurnInThisPass", [](Scheduler* s, auto&, auto& b, auto&) { s->remove(b.get()); },
                 Names{"a", "b"}, Names{"a"}},
        PassCase{"RemoveSelfCompletesTheCall", [](Scheduler* s, auto& a, auto&, auto&) { s->remove(a.get()); },
                 Names{"a", "b"}, Names{"b"}},
        PassCase{"RemoveThenAddLeavesItOnce",
                 [](Scheduler* s, auto&, auto& b, auto&) {
                     s->remove(b.get());
                     s->add(b.get());
                 },
                 Names{"a", "b"}, Names{"a", "b"}},
        PassCase{"AddThenRemoveLeavesItOut",
                 [](Scheduler* s, auto&, auto&, auto& c) {
                     s->add(c.get());
                     s->remove(c.get());
                 },
                 Names{"a", "b"}, Names{"a", "b"}},
        // A destroyed object must not be called, even though the pass that
        // is running listed it.
        PassCase{"DestroyedLaterInThePassIsNotCalled", [](Scheduler*, auto&, auto& b, auto&) { b.reset(); },
                 Names{"a"}, Names{"a"}},
        PassCase{"DestroyedAfterBeingAddedInThePass",
                 [](Scheduler* s, auto&, auto&, auto& c) {
                     s->add(c.get());
                     c.reset();
                 },
                 Names{"a", "b"}, Names{"a", "b"}},
        PassCase{"DestroyedAfterAPlainRemoval",
                 [](Scheduler* s, auto&, auto& b, auto&) {
                     s->remove(b.get());
                     b.reset();
                 },
                 Names{"a"}, Names{"a"}}),
    [](const testing::TestParamInfo<PassCase>& param) { return std::string(param.param.name); });

TEST(Scheduler, DuplicatesAreUpdatedTwiceAndRemovedTogether) {
    Scheduler* scheduler = Scheduler::instance();
    Names calls;
    Recorder a("a", &calls);
    scheduler->add(&a);
    scheduler->add(&a);
    scheduler->update(0.1f);
    EXPECT_EQ(calls, (Names{"a", "a"}));

    scheduler->remove(&a);
    EXPECT_EQ(scheduler->count(&a), 0u);
    calls.clear();
    scheduler->update(0.1f);
    EXPECT_TRUE(calls.empty());
}

TEST(Scheduler, ObjectDestroyedWhileRegisteredLeavesTheList) {
    Scheduler* scheduler = Scheduler::instance();
    Names calls;
    // Kept in an optional so the test may still compare its address.
    std::optional<Recorder> a;
    a.emplace("a", &calls);
    Recorder b("b", &calls);
    scheduler->add(&*a);
    scheduler->add(&b);
    const vorn::Scheduleable* gone = &*a;
    a.reset();
    EXPECT_EQ(scheduler->count(gone), 0u);
    scheduler->update(0.1f);
    EXPECT_EQ(calls, (Names{"b"}));
    scheduler->remove(&b);
}

TEST(Scheduler, PassesHandDtToEveryObject) {
    struct Sum : vorn::Scheduleable {
        void onUpdate(float dt) override { total += dt; }
        float total = 0;
    } sum;
    Scheduler::instance()->add(&sum);
    Scheduler::instance()->update(0.25f);
    Scheduler::instance()->update(0.5f);
    EXPECT_FLOAT_EQ(sum.total, 0.75f);
    Scheduler::instance()->remove(&sum);
}

TEST(Timer, FiresOnlyWhenElapsedExceedsTheInterval) {
    struct Case {
        float interval;
        float dt;
        int firingPass;
    };
    // Exactly representable steps: reaching the interval is not enough.
    const Case cases[] = {{1.0f, 0.5f, 3}, {1.0f, 0.25f, 5}, {0.5f, 0.75f, 1}, {0.0f, 0.0f, 0}, {0.0f, 0.125f, 1},
                          {2.0f, 10.0f, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "interval " << c.interval << " dt " << c.dt);
        int fired = 0;
        int firingPass = 0;
        Timer timer(c.interval, [&] { ++fired; });
        timer.start();
        for (int pass = 1; pass <= 8; ++pass) {
            Scheduler::instance()->update(c.dt);
            if (fired == 1 && firingPass == 0) {
                firingPass = pass;
            }
        }
        EXPECT_EQ(firingPass, c.firingPass);
        EXPECT_LE(fired, 1);
        EXPECT_EQ(timer.hasFired(), c.firingPass != 0);
        EXPECT_EQ(timer.isRunning(), c.firingPass == 0);
        EXPECT_EQ(Scheduler::instance()->count(&timer), c.firingPass == 0 ? 1u : 0u);
    }
}

TEST(Timer, StartWhileRunningKeepsTheCount) {
    int fired = 0;
    Timer timer(1.0f, [&] { ++fired; });
    timer.start();
    Scheduler::instance()->update(0.75f);
    timer.start();
    EXPECT_FLOAT_EQ(timer.elapsed(), 0.75f);
    EXPECT_EQ(Scheduler::instance()->count(&timer), 1u);
    Scheduler::instance()->update(0.5f);
    EXPECT_EQ(fired, 1);
}

TEST(Timer, RestartedFromItsOwnCallbackRepeatsOnceListed) {
    std::vector<int> firedAt;
    int pass = 0;
    std::unique_ptr<Timer> timer;
    timer = std::make_unique<Timer>(1.0f, [&] {
        firedAt.push_back(pass);
        timer->start();
    });
    timer->start();
    for (pass = 1; pass <= 9; ++pass) {
        Scheduler::instance()->update(0.5f);
        EXPECT_EQ(Scheduler::instance()->count(timer.get()), 1u) << "after pass " << pass;
    }
    EXPECT_EQ(firedAt, (std::vector<int>{3, 6, 9}));
    EXPECT_FLOAT_EQ(timer->elapsed(), 0.0f);
    EXPECT_TRUE(timer->isRunning());
}

// The timer's owner may go away inside the callback, taking the timer along.
TEST(Timer, CallbackMayDestroyTheTimer) {
    std::unique_ptr<Timer> timer;
    Names notes;
    timer = std::make_unique<Timer>(0.5f, [&, note = std::string("fired")] {
        timer.reset();
        notes.push_back(note);
    });
    timer->start();
    Scheduler::instance()->update(1.0f);
    Scheduler::instance()->update(1.0f);
    EXPECT_EQ(notes, (Names{"fired"}));
}

} // namespace
