#include "core/VM.h"

#include "core/TinyVM.h"

#include <utility>

namespace vorn {

void VM::execute(const std::string& script) { TinyVM::instance()->execute(script); }

void VM::registerFunction(const std::string& name, std::function<void()> function) {
    TinyVM::instance()->bind(name, std::move(function));
}

void VM::registerFunction(const std::string& name, std::function<void(unsigned long)> function) {
    TinyVM::instance()->bind(name, std::move(function));
}

void VM::registerFunction(const std::string& name, std::function<void(const std::string&)> function) {
    TinyVM::instance()->bind(name, std::move(function));
}

void VM::registerFunction(const std::string& name, std::function<void(const std::string&, float, float)> function) {
    TinyVM::instance()->bind(name, std::move(function));
}

} // namespace vorn
