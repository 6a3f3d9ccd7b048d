#pragma once

#include "core/VM.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>

namespace vorn {

// The script interpreter. A script is a list of statements separated by
// ";", each a call name(arguments) in one of four forms: no argument, one
// unsigned number, one quoted text, or a text and two numbers. Quotes
// protect nothing: ";", "(", ")" and "," always split. Names nobody bound
// are ignored; malformed statements are logged and skipped.
class TinyVM : public virtual VM::Engine {
public:
    class Function {
    public:
        // Every form's call; a model answers only the call of its own form
        // and ignores the others.
        class FunctionConcept {
        public:
            virtual ~FunctionConcept() = default;
            virtual void call() {}
            virtual void call(unsigned long) {}
            virtual void call(const std::string&) {}
            virtual void call(const std::string&, float, float) {}
        };

        template <class Signature>
        class FunctionModel : public FunctionConcept {
        public:
            explicit FunctionModel(std::function<Signature> function) : function_(std::move(function)) {}

            void call() override {
                if constexpr (std::is_same_v<Signature, void()>) {
                    if (function_) {
                        function_();
                    }
                }
            }
            void call([[maybe_unused]] unsigned long number) override {
                if constexpr (std::is_same_v<Signature, void(unsigned long)>) {
                    if (function_) {
                        function_(number);
                    }
                }
            }
            void call([[maybe_unused]] const std::string& text) override {
                if constexpr (std::is_same_v<Signature, void(const std::string&)>) {
                    if (function_) {
                        function_(text);
                    }
                }
            }
            void call([[maybe_unused]] const std::string& text, [[maybe_unused]] float first,
                      [[maybe_unused]] float second) override {
                if constexpr (std::is_same_v<Signature, void(const std::string&, float, float)>) {
                    if (function_) {
                        function_(text, first, second);
                    }
                }
            }

        private:
            std::function<Signature> function_;
        };
    };

    static TinyVM* instance();

    void execute(const std::string& script) override;
    void bind(const std::string& name, std::function<void()> function) override;
    void bind(const std::string& name, std::function<void(unsigned long)> function) override;
    void bind(const std::string& name, std::function<void(const std::string&)> function) override;
    void bind(const std::string& name, std::function<void(const std::string&, float, float)> function) override;

    bool isBound(const std::string& name) const { return functions_.contains(name); }

    // For tests: no command bound, so that none bound by a finished test's
    // screens (some capture the screen) runs in the next one.
    static void resetForTests();

private:
    TinyVM() = default;

    void executeStatement(const std::string& statement);

    std::map<std::string, std::shared_ptr<Function::FunctionConcept>> functions_;
};

} // namespace vorn
