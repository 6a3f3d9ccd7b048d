#include "core/TinyVM.h"

#include "core/Log.h"
#include "core/StringUtils.h"

#include <cerrno>
#include <cstdlib>
#include <exception>
#include <vector>

namespace vorn {

namespace {

// Drops the first and the last character, whatever they are: the quotes of
// a well-formed text argument.
std::string unquote(const std::string& text) {
    return text.size() < 2 ? std::string() : text.substr(1, text.size() - 2);
}

// Leading blanks and a sign are allowed and trailing characters ignored;
// false when no digit could be read or the number does not fit.
bool readUnsigned(const std::string& text, unsigned long& number) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    number = std::strtoul(begin, &end, 10);
    return end != begin && errno != ERANGE;
}

bool readFloat(const std::string& text, float& number) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    number = std::strtof(begin, &end);
    return end != begin && errno != ERANGE;
}

void skip(const std::string& statement, const char* reason) {
    log("TinyVM: skipped malformed statement \"%s\": %s", trim(statement).c_str(), reason);
}

} // namespace

TinyVM* TinyVM::instance() {
    static TinyVM* vm = new TinyVM();
    return vm;
}

void TinyVM::resetForTests() {
    // Moved out first: a command's captures may own what calls back here.
    auto functions = std::move(instance()->functions_);
    instance()->functions_.clear();
}

void TinyVM::bind(const std::string& name, std::function<void()> function) {
    functions_[name] = std::make_shared<Function::FunctionModel<void()>>(std::move(function));
}

void TinyVM::bind(const std::string& name, std::function<void(unsigned long)> function) {
    functions_[name] = std::make_shared<Function::FunctionModel<void(unsigned long)>>(std::move(function));
}

void TinyVM::bind(const std::string& name, std::function<void(const std::string&)> function) {
    functions_[name] = std::make_shared<Function::FunctionModel<void(const std::string&)>>(std::move(function));
}

void TinyVM::bind(const std::string& name, std::function<void(const std::string&, float, float)> function) {
    functions_[name] =
        std::make_shared<Function::FunctionModel<void(const std::string&, float, float)>>(std::move(function));
}

void TinyVM::execute(const std::string& script) {
    for (const std::string& statement : split(script, ";")) {
        // A failing command must not take the rest of the program down
        // with it, nor keep the statements after it from running.
        try {
            executeStatement(statement);
        } catch (const std::exception& e) {
            log("TinyVM: statement \"%s\" failed: %s", trim(statement).c_str(), e.what());
        }
    }
}

void TinyVM::executeStatement(const std::string& statement) {
    const std::vector<std::string> call = split(statement, "(");
    if (call.size() < 2) {
        // A script ending in ";" leaves an empty statement; that is no fault.
        if (!trim(statement).empty()) {
            skip(statement, "no \"(\"");
        }
        return;
    }
    const std::string name = trim(call[0]);
    const std::string argumentText = trim(split(call[1], ")").front());
    std::vector<std::string> arguments;
    if (!argumentText.empty()) {
        arguments = split(argumentText, ",");
    }

    auto found = functions_.find(name);
    if (found == functions_.end()) {
        return;
    }
    // Held here because the command may rebind its own name while it runs.
    const std::shared_ptr<Function::FunctionConcept> function = found->second;

    switch (arguments.size()) {
    case 0:
        function->call();
        return;
    case 1: {
        const std::string& argument = arguments.front();
        if (argument.front() == '\'' || argument.front() == '"') {
            function->call(unquote(argument));
            return;
        }
        unsigned long number = 0;
        if (!readUnsigned(argument, number)) {
            skip(statement, "the argument is neither a quoted text nor a number");
            return;
        }
        function->call(number);
        return;
    }
    case 2:
        skip(statement, "two arguments; a call takes none, one or three");
        return;
    default: {
        float second = 0.0f;
        float first = 0.0f;
        if (!readFloat(arguments[2], second) || !readFloat(arguments[1], first)) {
            skip(statement, "the second and third arguments must be numbers");
            return;
        }
        if (arguments[0].empty()) {
            skip(statement, "the first argument is empty");
            return;
        }
        function->call(unquote(arguments[0]), first, second);
        return;
    }
    }
}

} // namespace vorn
