// Property lists (config, achievements, levels, users) read from text. Once
// written, what is read must stay the same through every further write and
// read: the users file goes through that cycle on every save. (The first
// write may drop what has no form in a file, such as dates, and round
// reals.)
#include "FuzzSupport.h"

#include "core/Data.h"
#include "core/Value.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vorn::fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const vorn::Value value = vorn::Value::fromPlistData(vorn::Data(data, static_cast<std::uint32_t>(size)));
    if (value.isNil()) return 0;
    auto cycle = [](const vorn::Value& v) {
        const std::string text = vorn::Value::toPlistDocument(v);
        return vorn::Value::fromPlistData(vorn::Data(text.data(), static_cast<std::uint32_t>(text.size())));
    };
    const vorn::Value saved = cycle(value);
    const std::string written = vorn::Value::toPlistDocument(saved);
    if (vorn::Value::toPlistDocument(cycle(saved)) != written) {
        std::fprintf(stderr, "a value read from plist text changed when written and read again:\n%s\n", written.c_str());
        std::abort();
    }
    return 0;
}
