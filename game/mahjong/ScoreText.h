#pragma once

#include <glm/vec3.hpp>

#include <string>

namespace mahjong {

// The score effect at a world point of the running scene, every text in it
// showing the given points.
void showScoreEffect(const glm::vec3& world, const std::string& text);

} // namespace mahjong
