#include "core/ResourceManager.h"

#include "core/Locale.h"
#include "core/Localization.h"
#include "core/Log.h"
#include "core/Platform.h"
#include "core/StringUtils.h"
#include "core/Value.h"
#include "core/XMLDocument.h"
#include "render/Bitmap.h"
#include "render/ImageData.h"
#include "render/Render.h"
#include "render/Texture.h"
#include "render/fonts/BMFont.h"
#include "render/fonts/Font.h"
#include "render/fonts/TTFFont.h"
#include "widgets/UiDefaults.h"

#include <tinyxml2.h>

#include <sys/stat.h>

#include <cmath>
#include <exception>
#include <stdexcept>

namespace vorn {

namespace {

ResourceManager* made = nullptr;

} // namespace

ResourceManager* ResourceManager::instance() {
    static ResourceManager* manager = made = new ResourceManager();
    return manager;
}

void ResourceManager::resetForTests() {
    if (made == nullptr) return;
    std::map<std::string, std::shared_ptr<Resource>> resources;
    std::map<FontKey, std::shared_ptr<Font>> fonts;
    {
        std::lock_guard<std::mutex> lock(made->mutex_);
        resources.swap(made->resources_);
        fonts.swap(made->fonts_);
        made->loadingResources_.clear();
        made->loadingFonts_.clear();
    }
    // Released outside the lock: a resource going may ask for another.
    resources.clear();
    fonts.clear();
    made->searchPaths_.clear();
    made->textureFormats_.clear();
    made->render_.store(nullptr);
}

void ResourceManager::addSearchPath(const std::string& path) { searchPaths_.push_back(path); }

void ResourceManager::setSearchPaths(const std::vector<std::string>& paths) { searchPaths_ = paths; }

void ResourceManager::setRender(Render* render) { render_.store(render); }

std::shared_ptr<Texture> ResourceManager::createTexture() {
    Render* render = render_.load();
    if (!render) {
        log("ResourceManager::createTexture: no renderer yet");
        return nullptr;
    }
    return render->createTexture();
}

bool ResourceManager::isLargeScreen() const { return Platform::instance()->isLargeScreen(); }

std::string ResourceManager::getPath(const std::string& name) const {
    for (auto it = searchPaths_.rbegin(); it != searchPaths_.rend(); ++it) {
        std::string candidate = *it;
        // An empty search path is the working directory, not the root folder.
        if (!candidate.empty() && candidate.back() != '/') candidate += '/';
        candidate += name;
        if (fileExists(candidate)) return candidate;
    }
    return name;
}

bool ResourceManager::fileExists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

namespace {

// Filled before main() runs, by the registrations of the subsystems linked
// in, and only read afterwards.
std::map<std::string, ResourceManager::KindLoader>& kindLoaders() {
    static std::map<std::string, ResourceManager::KindLoader> loaders;
    return loaders;
}

// Splits a path into its folder part (with the last "/") and its file name.
std::pair<std::string, std::string> splitFolder(const std::string& name) {
    const size_t slash = name.rfind('/');
    if (slash == std::string::npos) return {std::string(), name};
    return {name.substr(0, slash + 1), name.substr(slash + 1)};
}

} // namespace

std::string ResourceManager::make2xName(const std::string& name) {
    const auto [folder, file] = splitFolder(name);
    const size_t dot = file.find('.');
    if (dot == std::string::npos) return folder + file + "@2x";
    return folder + file.substr(0, dot) + "@2x" + file.substr(dot);
}

std::string ResourceManager::stripScaleSuffix(const std::string& name) {
    const auto [folder, file] = splitFolder(name);
    const size_t dot = file.find('.');
    const size_t at = file.find('@');
    if (at == std::string::npos || (dot != std::string::npos && at > dot)) return name;
    if (dot == std::string::npos) return folder + file.substr(0, at);
    return folder + file.substr(0, at) + file.substr(dot);
}

std::string ResourceManager::existing2xName(const std::string& name, bool* found) {
    if (splitFolder(name).second.find('.') != std::string::npos) {
        const std::string candidate = make2xName(name);
        if (fileExists(candidate)) {
            if (found) *found = true;
            return candidate;
        }
    }
    if (found) *found = false;
    return name;
}

ResourceInfo ResourceManager::resolve(const std::string& name) const {
    ResourceInfo info;
    const std::vector<std::string> pieces = split(name, ":");
    const std::string& base = pieces[0];
    if (pieces.size() >= 2) info.param = pieces[1];

    if (isLargeScreen()) {
        const std::string candidate = getPath(make2xName(base));
        if (fileExists(candidate)) {
            info.path = candidate;
            info.hd = true;
            info.scale = 2.0f;
        }
    }
    if (!info.hd) info.path = getPath(base);

    info.extension = lastExtension(info.path);
    const std::string two = lastTwoExtensions(info.path);
    info.kind = two.empty() ? info.extension : two;
    return info;
}

std::shared_ptr<Resource> ResourceManager::getResource(const std::string& name) {
    const std::thread::id self = std::this_thread::get_id();
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        // A name in flight is looked at before the cache: its atlas may file
        // sprites under names that its own result then replaces.
        const auto busy = loadingResources_.find(name);
        if (busy != loadingResources_.end()) {
            if (busy->second == self) {
                log("getResource %s: requested again while loading it; nothing returned", name.c_str());
                return nullptr;
            }
            loaded_.wait(lock);
            continue;
        }
        const auto cached = resources_.find(name);
        if (cached != resources_.end()) return cached->second;
        break;
    }
    loadingResources_[name] = self;
    lock.unlock();

    std::shared_ptr<Resource> result;
    bool cache = false;
    try {
        const ResourceInfo info = resolve(name);
        log("getResource %s <- %s", name.c_str(), info.path.c_str());
        result = loadByKind(name, info, cache);
    } catch (const std::exception& e) {
        // Loading also runs on the preload worker, where an escaping
        // exception would end the process.
        log("getResource %s failed [%s]", name.c_str(), e.what());
        result = nullptr;
        cache = false;
    }

    lock.lock();
    loadingResources_.erase(name);
    if (cache) resources_[name] = result;
    lock.unlock();
    loaded_.notify_all();
    return result;
}

bool ResourceManager::registerKind(const std::string& kind, KindLoader loader) {
    kindLoaders()[kind] = loader;
    return true;
}

std::shared_ptr<Resource> ResourceManager::loadByKind(const std::string& name, const ResourceInfo& info,
                                                      bool& cache) {
    const bool image = info.kind == "jpg" || info.kind == "png";
    if (info.kind == "atlas.xml" || image) {
        if (!render()) {
            // Not cached: the same name works once the window exists.
            log("getResource %s: no renderer yet, so no texture", name.c_str());
            return nullptr;
        }
        cache = true;
        if (image) return loadImage(info);
        return loadAtlas(info);
    }
    const auto registered = kindLoaders().find(info.kind);
    if (registered != kindLoaders().end()) {
        cache = true;
        return registered->second(getPath(name));
    }
    if (info.kind == "xml" || info.extension == "xml") {
        cache = true;
        return loadXML(info.path);
    }
    if (info.extension == "ttf") {
        if (info.path.empty() || info.param.empty()) {
            log("getResource %s: a TrueType font needs its size after ':'", name.c_str());
            return nullptr;
        }
        float size = 0.0f;
        try {
            size = std::stof(info.param);
        } catch (const std::exception&) {
            log("getResource %s: font size '%s' is not a number", name.c_str(), info.param.c_str());
            return nullptr;
        }
        if (!std::isfinite(size)) {
            log("getResource %s: font size '%s' is not a number", name.c_str(), info.param.c_str());
            return nullptr;
        }
        return getFont(info.path, size);
    }
    log("getResource %s: no loader for files of kind '%s'", name.c_str(), info.kind.c_str());
    return nullptr;
}

std::shared_ptr<Font> ResourceManager::getFont(const std::string& name, float size) {
    const std::string kind = lastExtension(name);
    if (kind != "ttf" && kind != "xml") return UiDefaults::instance()->defaultFont();
    if (std::isnan(size)) {
        log("getFont %s: font size is not a number; the default font is used", name.c_str());
        return UiDefaults::instance()->defaultFont();
    }

    const std::string substitute = Localization::instance()->current()->font(name);
    const std::string path = getPath("data/fonts/" + substitute);
    const FontKey key{path, kind == "ttf" ? size : 0.0f};

    const std::thread::id self = std::this_thread::get_id();
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        const auto cached = fonts_.find(key);
        if (cached != fonts_.end()) return cached->second;
        const auto busy = loadingFonts_.find(key);
        if (busy == loadingFonts_.end()) break;
        if (busy->second == self) {
            log("getFont %s: requested again while loading it; the default font is used", name.c_str());
            return UiDefaults::instance()->defaultFont();
        }
        loaded_.wait(lock);
    }
    loadingFonts_[key] = self;
    lock.unlock();

    std::shared_ptr<Font> font;
    try {
        font = makeFont(name, path, key.second);
    } catch (const std::exception& e) {
        log("getFont %s failed [%s]", name.c_str(), e.what());
        font = nullptr;
    }

    lock.lock();
    loadingFonts_.erase(key);
    if (font) fonts_[key] = font;
    lock.unlock();
    loaded_.notify_all();
    return font ? font : UiDefaults::instance()->defaultFont();
}

std::shared_ptr<Font> ResourceManager::makeFont(const std::string& name, const std::string& path, float size) {
    if (lastExtension(name) == "xml") {
        const auto document = std::dynamic_pointer_cast<XMLDocument>(getResource(path));
        const tinyxml2::XMLElement* root = document ? document->root() : nullptr;
        if (!root) {
            log("getFont %s: no bitmap font in %s; the default font is used", name.c_str(), path.c_str());
            return nullptr;
        }
        return std::make_shared<BMFont>(root);
    }
    return std::make_shared<TTFFont>(path, size, isLargeScreen() ? 2.0f : 1.0f);
}

void ResourceManager::clearXMLCache() {
    log("ResourceManager::clearXMLCache()");
    std::lock_guard<std::mutex> lock(mutex_);
    std::erase_if(resources_, [](const auto& entry) {
        return dynamic_cast<const XMLDocument*>(entry.second.get()) != nullptr;
    });
}

void ResourceManager::clearCache() {}

std::size_t ResourceManager::releaseUnusedPictures(std::size_t minPixels) {
    std::vector<std::shared_ptr<Resource>> released;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = resources_.begin(); it != resources_.end();) {
            // Only the cache's reference to the picture, and only the
            // picture's to its texture: an atlas's texture is shared with
            // its sprites, and an image node holds a copy of the picture.
            const auto* image = dynamic_cast<const ImageData*>(it->second.get());
            const std::shared_ptr<Texture>* texture = image ? &image->getTexture() : nullptr;
            const bool unused = texture && *texture && it->second.use_count() == 1 && texture->use_count() == 1 &&
                                !(*texture)->isRenderTarget();
            const glm::vec2 size = unused ? (*texture)->getSize() : glm::vec2(0.0f);
            if (unused && static_cast<double>(size.x) * static_cast<double>(size.y) >= static_cast<double>(minPixels)) {
                released.push_back(std::move(it->second));
                it = resources_.erase(it);
            } else {
                ++it;
            }
        }
    }
    if (!released.empty()) log("ResourceManager: %zu unused pictures let go", released.size());
    // Textures go outside the lock.
    const std::size_t count = released.size();
    released.clear();
    return count;
}

bool ResourceManager::isCached(const std::string& name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return resources_.count(name) != 0;
}

std::shared_ptr<XMLDocument> ResourceManager::loadXML(const std::string& path) {
    auto document = std::make_shared<XMLDocument>(path);
    const Data data = Data::readFile(path);
    const tinyxml2::XMLError error =
        document->document().Parse(reinterpret_cast<const char*>(data.data()), data.size());
    if (error != tinyxml2::XML_SUCCESS) {
        log("Can't open or parse: %s [%s]", path.c_str(), data.toString().c_str());
    }
    return document;
}

std::shared_ptr<Texture> ResourceManager::loadTexture(const std::string& path) {
    std::shared_ptr<Texture> texture = createTexture();
    if (!texture) return nullptr;
    auto bitmap = std::make_shared<Bitmap>();
    bitmap->loadFromFile(getPath(path).c_str(), textureFormat(path));
    texture->setBitmap(bitmap);
    // Pictures from files are never read back: once on the device, the
    // device's copy is the only one needed.
    texture->setReleasePixelsAfterLoad(true);
    return texture;
}

std::shared_ptr<ImageData> ResourceManager::loadImage(const ResourceInfo& info) {
    std::shared_ptr<Texture> texture = loadTexture(info.path);
    if (!texture) return nullptr;
    return std::make_shared<ImageData>(texture, 1.0f / info.scale);
}

std::shared_ptr<ImageData> ResourceManager::loadAtlas(const ResourceInfo& info) {
    const auto document = loadXML(info.path);
    const tinyxml2::XMLElement* root = document->root();
    if (!root) return nullptr; // loadXML has said why

    float spriteScale = 1.0f;
    if (const char* text = root->Attribute("scale")) {
        float value = root->FloatAttribute("scale", 0.0f);
        if (!std::isfinite(value) || value <= 0.0f) {
            log("Atlas %s: scale '%s' is not a positive number; 1 is used", info.path.c_str(), text);
            value = 1.0f;
        }
        spriteScale = 1.0f / value;
    }
    if (spriteScale == 1.0f) spriteScale = 1.0f / info.scale;

    const char* imagePath = root->Attribute("imagePath");
    if (!imagePath) {
        log("Atlas %s has no imagePath", info.path.c_str());
        return nullptr;
    }
    std::shared_ptr<Texture> texture = loadTexture(std::string("data/atlases/") + imagePath);
    if (!texture) return nullptr;
    auto atlas = std::make_shared<ImageData>(texture, 1.0f);

    for (const tinyxml2::XMLElement* sprite = root->FirstChildElement("sprite"); sprite;
         sprite = sprite->NextSiblingElement("sprite")) {
        const char* spriteName = sprite->Attribute("n");
        if (!spriteName) {
            log("Atlas %s: a sprite without a name (line %d) is skipped", info.path.c_str(), sprite->GetLineNum());
            continue;
        }
        try {
            putSprite(stripScaleSuffix(spriteName), std::make_shared<ImageData>(texture, sprite, spriteScale));
        } catch (const std::exception& e) {
            log("Atlas %s: sprite %s skipped [%s]", info.path.c_str(), spriteName, e.what());
        }
    }
    return atlas;
}

void ResourceManager::putSprite(const std::string& name, const std::shared_ptr<Resource>& sprite) {
    std::lock_guard<std::mutex> lock(mutex_);
    resources_[name] = sprite;
}

void ResourceManager::loadTextureFormats() {
    const Value table = Value::fromPlistFile(getPath("data/texture_formats.plist"));
    if (table.type() != Value::DICT) {
        if (table.isSet()) log("data/texture_formats.plist is not a dictionary; every image is RGBA8888");
        return;
    }
    for (const std::string& key : table.keys()) {
        const std::string name = table.get(key).toString();
        const int code = parsePixelFormat(name);
        if (code == PixelFormatNone) {
            log("data/texture_formats.plist: %s names no pixel format ('%s'); it stays RGBA8888", key.c_str(),
                name.c_str());
            continue;
        }
        textureFormats_[key] = code;
    }
}

int ResourceManager::textureFormat(const std::string& path) const {
    const auto it = textureFormats_.find(path);
    return it == textureFormats_.end() ? PixelFormatRGBA8888 : it->second;
}

} // namespace vorn
