#include "core/TinyVM.h"
#include "core/VM.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using vorn::VM;
using Calls = std::vector<std::string>;

std::string number(float f) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(f));
    return text;
}

// Binds the engine's command names in their real forms, plus one command
// of each form, all recording what reaches them.
class TinyVMTest : public testing::Test {
protected:
    void SetUp() override {
        oneText("setState");
        oneText("pushAndSetState");
        none("popState");
        none("exitApp");
        three("slideDragbox");
        none("none");
        VM::registerFunction("num", [this](unsigned long n) { calls.push_back("num(" + std::to_string(n) + ")"); });
        oneText("text");
        three("three");
    }

    void none(const std::string& name) {
        VM::registerFunction(name, [this, name] { calls.push_back(name + "()"); });
    }
    void oneText(const std::string& name) {
        VM::registerFunction(name, [this, name](const std::string& t) { calls.push_back(name + "(" + t + ")"); });
    }
    void three(const std::string& name) {
        VM::registerFunction(name, [this, name](const std::string& t, float a, float b) {
            calls.push_back(name + "(" + t + "," + number(a) + "," + number(b) + ")");
        });
    }

    // Runs the script and returns what it logged.
    std::string run(const std::string& script) {
        testing::internal::CaptureStdout();
        VM::execute(script);
        return testing::internal::GetCapturedStdout();
    }

    Calls calls;
};

struct ScriptCase {
    const char* script;
    Calls calls;
    // Empty when the script must log nothing; else a statement the log line names.
    const char* skipped;
};

TEST_F(TinyVMTest, ScriptsToCalls) {
    const ScriptCase cases[] = {
        {"setState('default')", {"setState(default)"}, ""},
        {"  pushAndSetState ( 'win' ) ;  popState( )  ", {"pushAndSetState(win)", "popState()"}, ""},
        {"slideDragbox('box', 0, -500)", {"slideDragbox(box,0,-500)"}, ""},
        {"text(\"double\")", {"text(double)"}, ""},
        {"num(42)", {"num(42)"}, ""},
        {"num( 7 apples )", {"num(7)"}, ""},
        {"three('a', 1.5, 2e1, 99)", {"three(a,1.5,20)"}, ""},
        // A statement in a form its command does not take does nothing.
        {"exitApp('now')", {}, ""},
        {"setState(5)", {}, ""},
        {"num('5')", {}, ""},
        {"popState(1, 2, 3)", {}, ""},
        // Arguments are cut by position, not by their quotes.
        {"setState('menu", {"setState(men)"}, ""},
        {"slideDragbox('box' , 1, 2)", {"slideDragbox(box',1,2)"}, ""},
        {"setState('menu'(x))", {"setState(menu)"}, ""},
        {"setState('a;b')", {"setState()"}, "b')"},
        // Unbound names are ignored silently, whatever their arguments.
        {"neverBound(1, 2); neverBound(x)", {}, ""},
        // A trailing ";" and blank statements are no fault.
        {"popState();", {"popState()"}, ""},
        {"none(); ;  ; none()", {"none()", "none()"}, ""},
        {"", {}, ""},
        // Malformed statements are logged and skipped; the rest still runs.
        {"popState; none()", {"none()"}, "popState"},
        {"slideDragbox('box', 1); none()", {"none()"}, "slideDragbox('box', 1)"},
        {"num(apples); none()", {"none()"}, "num(apples)"},
        {"num(-); none()", {"none()"}, "num(-)"},
        {"num(99999999999999999999999999)", {}, "num(99999999999999999999999999)"},
        {"three('a', one, 2)", {}, "three('a', one, 2)"},
        {"three('a', 1, two)", {}, "three('a', 1, two)"},
        {"three(, 1, 2)", {}, "three(, 1, 2)"},
        {"three('a', 1e999, 2)", {}, "three('a', 1e999, 2)"},
    };
    for (const ScriptCase& c : cases) {
        SCOPED_TRACE(c.script);
        calls.clear();
        const std::string logged = run(c.script);
        EXPECT_EQ(calls, c.calls);
        if (*c.skipped) {
            EXPECT_NE(logged.find(std::string("\"") + c.skipped + "\""), std::string::npos) << logged;
            EXPECT_EQ(std::count(logged.begin(), logged.end(), '\n'), 1) << logged;
        } else {
            EXPECT_EQ(logged, "");
        }
    }
}

TEST_F(TinyVMTest, LaterBindingReplacesAnyForm) {
    VM::registerFunction("setState", [this](unsigned long n) { calls.push_back("n" + std::to_string(n)); });
    run("setState('default'); setState(3)");
    EXPECT_EQ(calls, (Calls{"n3"}));
}

TEST_F(TinyVMTest, CommandMayRebindItsOwnName) {
    VM::registerFunction("swap", [this] {
        VM::registerFunction("swap", [this] { calls.push_back("second"); });
        calls.push_back("first");
    });
    run("swap(); swap()");
    EXPECT_EQ(calls, (Calls{"first", "second"}));
}

TEST_F(TinyVMTest, FailingCommandIsLoggedAndTheScriptGoesOn) {
    VM::registerFunction("fail", [] { throw std::runtime_error("incorrect type"); });
    const std::string logged = run("fail(); popState()");
    EXPECT_EQ(calls, (Calls{"popState()"}));
    EXPECT_NE(logged.find("incorrect type"), std::string::npos) << logged;
}

TEST_F(TinyVMTest, ScriptMayRunAScript) {
    VM::registerFunction("nested", [](const std::string& script) { VM::execute(script); });
    run("nested(\"popState(); exitApp()\")");
    // The quotes protect nothing: the inner ";" split the outer statement.
    EXPECT_EQ(calls, (Calls{"exitApp()"}));
    calls.clear();
    run("nested('none()')");
    EXPECT_EQ(calls, (Calls{}));
    EXPECT_TRUE(vorn::TinyVM::instance()->isBound("nested"));
}

} // namespace
