#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace vorn {

class Font;
class ImageData;
class Render;
class Resource;
class Texture;
class XMLDocument;

// What a requested resource name resolves to.
struct ResourceInfo {
    // The file to open: after the search paths and the "@2x" choice.
    std::string path;
    // The "@2x" file was chosen.
    bool hd = false;
    // 2 for the "@2x" file, else 1.
    float scale = 1.0f;
    // The last "."-piece of path; "" without a ".".
    std::string extension;
    // The last two "."-pieces of path ("atlas.xml", "sg.xml"), or the
    // extension when path has fewer.
    std::string kind;
    // The text after the first ":" of the name (a font size), else "".
    std::string param;
};

// Finds assets by name, loads them by kind and keeps every one for the life
// of the process, so each name gives the same shared object to every caller.
//
// The loading screen preloads on a worker while the main thread requests
// resources of its own: the caches are locked, and a name (or a font file
// and size) being loaded by one thread makes the other wait for that load
// instead of loading a second copy. Loading is CPU work only; device uploads
// happen on the main thread in Resource::load.
class ResourceManager {
public:
    static ResourceManager* instance();

    ResourceManager(const ResourceManager&) = delete;
    ResourceManager& operator=(const ResourceManager&) = delete;

    // Search paths are set up before any worker starts and only read after.
    // The last added is tried first.
    void addSearchPath(const std::string& path);
    void setSearchPaths(const std::vector<std::string>& paths);
    const std::vector<std::string>& searchPaths() const { return searchPaths_; }

    void setRender(Render* render);
    Render* render() const { return render_.load(); }
    // A new, empty texture from the renderer (no device work, any thread);
    // null, logged, before the renderer is set.
    std::shared_ptr<Texture> createTexture();

    bool isLargeScreen() const;

    // The first search path (last added first) under which name exists,
    // joined with one "/"; else name unchanged.
    std::string getPath(const std::string& name) const;
    static bool fileExists(const std::string& path);

    // "gfx/btn.png" -> "gfx/btn@2x.png": the suffix goes before the first
    // "." of the file name ("ui@2x.atlas.xml"), or at its end without one.
    static std::string make2xName(const std::string& name);
    // "btn@2x.png" -> "btn.png": the file name's first "."-piece is cut at
    // its first "@".
    static std::string stripScaleSuffix(const std::string& name);
    // make2xName(name) when that file exists (found set), else name.
    static std::string existing2xName(const std::string& name, bool* found);

    ResourceInfo resolve(const std::string& name) const;

    // The cached resource of that name, else loaded by its kind and cached
    // under the name exactly as given. Null when nothing could be made.
    std::shared_ptr<Resource> getResource(const std::string& name);
    // Kinds made outside this file (sounds): the subsystem that owns a kind
    // registers its loader, which is given the file's path.
    using KindLoader = std::shared_ptr<Resource> (*)(const std::string& path);
    static bool registerKind(const std::string& kind, KindLoader loader);
    // Fonts by file and size; never null (the widget defaults' font stands
    // in for names that are neither TrueType nor bitmap fonts).
    std::shared_ptr<Font> getFont(const std::string& name, float size);

    // Drops the cached XML documents, so that the developer reload reads
    // edited scene files again.
    void clearXMLCache();
    // Kept for the loading screen, which calls it when it sets up; resources
    // stay cached.
    void clearCache();
    // Lets go of the cached pictures of at least minPixels that nothing but
    // the cache holds (a screen that showed them has gone): a level's
    // background, album art. A later request reads the file again. Atlases
    // stay, their sprites being found by name only while they are cached.
    // The number of pictures let go.
    std::size_t releaseUnusedPictures(std::size_t minPixels);

    // The loaders behind getResource. loadXML never gives null; the image
    // loaders give null only before the renderer is set, and loadAtlas also
    // for an atlas without a root element or an "imagePath".
    std::shared_ptr<XMLDocument> loadXML(const std::string& path);
    std::shared_ptr<Texture> loadTexture(const std::string& path);
    std::shared_ptr<ImageData> loadImage(const ResourceInfo& info);
    std::shared_ptr<ImageData> loadAtlas(const ResourceInfo& info);
    // Fills the pixel-format table from "data/texture_formats.plist"; called
    // once before the window exists.
    void loadTextureFormats();
    // The pixel format an image file is stored in: the table's entry for
    // path exactly as given, else RGBA8888.
    int textureFormat(const std::string& path) const;

    // Whether a name is in the resource cache (a null entry counts).
    bool isCached(const std::string& name) const;

    // For tests: no cached resource or font, no search path, no texture
    // format table and no renderer, as before first use. Does nothing when
    // the manager was never made; not while anything loads.
    static void resetForTests();

private:
    ResourceManager() = default;

    std::shared_ptr<Resource> loadByKind(const std::string& name, const ResourceInfo& info, bool& cache);
    std::shared_ptr<Font> makeFont(const std::string& name, const std::string& path, float size);
    void putSprite(const std::string& name, const std::shared_ptr<Resource>& sprite);

    std::atomic<Render*> render_{nullptr};
    std::vector<std::string> searchPaths_;
    std::map<std::string, int> textureFormats_;

    using FontKey = std::pair<std::string, float>;

    mutable std::mutex mutex_;
    // Wakes the threads waiting for a name or a font another thread loads.
    std::condition_variable loaded_;
    std::map<std::string, std::shared_ptr<Resource>> resources_;
    std::map<FontKey, std::shared_ptr<Font>> fonts_;
    // What is being loaded right now, and by which thread: a thread that
    // asks again for what it is itself loading gets nothing instead of
    // waiting for itself.
    std::map<std::string, std::thread::id> loadingResources_;
    std::map<FontKey, std::thread::id> loadingFonts_;
};

} // namespace vorn
