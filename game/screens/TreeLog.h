#pragma once

#include <string>

namespace vorn {
class Scene;
}

// The named nodes of a screen written to the log, for the end-to-end runs
// that check what a screen holds: one header line, then one line per named
// node with its path of named ancestors, kind, state, whether it shows and
// its centre on the screen. Only when the environment sets VORN_TREE_LOG.
namespace treeLog {

bool enabled();
void write(vorn::Scene& scene, const std::string& title, const std::string& why);
// Once the screen has run that long, if it is still on stage.
void later(vorn::Scene& scene, const std::string& title, const std::string& why, float delay);

} // namespace treeLog
