// The command language of scene files (TinyVM behind VM), with commands of
// every form bound, as the engine and the screens bind theirs.
#include "FuzzSupport.h"

#include "core/VM.h"

#include <cmath>
#include <functional>

namespace {

float total = 0.0f;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vorn::fuzz::setUp();
    using vorn::VM;
    VM::registerFunction("none", std::function<void()>([] { total += 1.0f; }));
    VM::registerFunction("number", std::function<void(unsigned long)>([](unsigned long n) { total += float(n % 7); }));
    VM::registerFunction("text",
                         std::function<void(const std::string& t)>([](const std::string& t) { total += float(t.size()); }));
    VM::registerFunction("slide", std::function<void(const std::string&, float, float)>(
                                      [](const std::string& t, float x, float y) { total += float(t.size()) + x + y; }));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A command that binds again, under its own name, while it runs; bound
    // anew for every input, so that inputs do not depend on each other.
    vorn::VM::registerFunction("rebind", std::function<void()>([] {
                                   vorn::VM::registerFunction("rebind", std::function<void(const std::string&)>(
                                                                            [](const std::string&) { total += 2.0f; }));
                               }));
    vorn::VM::execute(vorn::fuzz::text(data, size));
    if (!std::isfinite(total)) total = 0.0f;
    return 0;
}
