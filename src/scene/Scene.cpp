#include "scene/Scene.h"

namespace vorn {

bool Scene::hasState(const std::string&) const { return false; }

void Scene::switchState(const std::string&, float) {}

void Scene::setState(const std::string&) {}

} // namespace vorn
