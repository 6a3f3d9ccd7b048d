// The users file: what the user manager reads from users.xml. Whatever it
// makes of a file must read back without a problem once saved, or every
// start would set the saved file aside as damaged again.
#include "FuzzSupport.h"

#include "core/Data.h"
#include "services/User.h"
#include "services/UserManager.h"
#include "core/Value.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vorn::fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> problems;
    const vorn::Value root =
        vorn::UserManager::readUsersData(vorn::Data(data, static_cast<std::uint32_t>(size)), &problems);
    if (root.isNil()) return 0;
    // As the manager saves: the profiles as the users made from them hold them.
    vorn::Value saved = root;
    vorn::Value list(vorn::Value::ARRAY);
    const vorn::Value& users = root.get("users");
    for (unsigned i = 0; i < users.size(); ++i) {
        vorn::User user(users.at(i));
        (void)user.name();
        list.push_back(user.data());
    }
    saved.set(list, "users");
    const std::string text = vorn::Value::toPlistDocument(saved);
    std::vector<std::string> again;
    (void)vorn::UserManager::readUsersData(vorn::Data(text.data(), static_cast<std::uint32_t>(text.size())), &again);
    if (!again.empty()) {
        std::fprintf(stderr, "a saved users file reads back with problems (first: %s):\n%s\n", again[0].c_str(),
                     text.c_str());
        std::abort();
    }
    return 0;
}
