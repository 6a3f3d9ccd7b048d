#include "render/DrawData.h"

#include "render/Render.h"

namespace vorn {

void DrawData::add(const std::shared_ptr<Texture>& texture, const VertexData& data) {
    if (!batches.empty() && batches.back().texture == texture) {
        batches.back().vertexData.append(data);
        return;
    }
    batches.push_back(Batch{texture, data});
}

void DrawData::append(const DrawData& other) {
    batches.insert(batches.end(), other.batches.begin(), other.batches.end());
}

void DrawData::draw() const {
    Render* render = Render::instance();
    if (!render) {
        return;
    }
    for (const Batch& batch : batches) {
        render->setTexture(batch.texture);
        render->drawVertexData(batch.vertexData);
    }
}

} // namespace vorn
