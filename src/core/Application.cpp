#include "core/Application.h"

#include "core/Platform.h"

#include <atomic>

namespace vorn {

namespace {
// Written once by the run loop before any worker starts, read by the log
// from every thread.
std::atomic<Application*> current{nullptr};
} // namespace

Application* Application::instance() { return current.load(std::memory_order_acquire); }

void Application::setInstance(Application* app) { current.store(app, std::memory_order_release); }

std::string Application::dataFolderName() { return Platform::instance()->appFolderName(); }

} // namespace vorn
