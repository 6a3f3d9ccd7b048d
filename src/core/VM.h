#pragma once

#include <functional>
#include <string>

namespace vorn {

// Runs the short command strings of scene files, such as
// "pushAndSetState('win'); popState()", against the commands registered by
// the engine and the screens. A command takes no argument, one number, one
// text, or a text and two numbers.
class VM {
public:
    class Engine {
    public:
        virtual ~Engine() = default;
        virtual void execute(const std::string& script) = 0;
        virtual void bind(const std::string& name, std::function<void()> function) = 0;
        virtual void bind(const std::string& name, std::function<void(unsigned long)> function) = 0;
        virtual void bind(const std::string& name, std::function<void(const std::string&)> function) = 0;
        virtual void bind(const std::string& name, std::function<void(const std::string&, float, float)> function) = 0;
    };

    virtual ~VM() = default;

    static void execute(const std::string& script);
    // A later registration under the same name replaces the earlier one,
    // whatever its form.
    static void registerFunction(const std::string& name, std::function<void()> function);
    static void registerFunction(const std::string& name, std::function<void(unsigned long)> function);
    static void registerFunction(const std::string& name, std::function<void(const std::string&)> function);
    static void registerFunction(const std::string& name,
                                 std::function<void(const std::string&, float, float)> function);
};

} // namespace vorn
