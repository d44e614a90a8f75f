// What every editor has whatever its platform: the process-wide bitmap cache, images from the
// library's embedded resources, and the portable defaults of the platform slots.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

#include "framework/graphics/IGraphics.h"
#include "framework/plugin/ModulePath.h"
#include "framework/graphics/ResourceImages.h"

namespace {

// Decoded images by resource id, shared by every editor of the process. The static's destructor frees
// them when the library unloads.
struct BitmapCache {
    std::mutex lock;
    std::vector<std::pair<int, std::unique_ptr<LICE_MemBitmap>>> entries;
};

BitmapCache& Cache()
{
    static BitmapCache cache;
    return cache;
}

bool HasPngExtension(const char* name)
{
    const char* dot = name ? std::strrchr(name, '.') : nullptr;
    if (!dot || std::strlen(dot) != 4)
        return false;
    return std::tolower(static_cast<unsigned char>(dot[1])) == 'p' &&
           std::tolower(static_cast<unsigned char>(dot[2])) == 'n' &&
           std::tolower(static_cast<unsigned char>(dot[3])) == 'g';
}

} // namespace

const LICE_IBitmap* BitmapCacheFind(int id)
{
    BitmapCache& cache = Cache();
    std::lock_guard<std::mutex> guard(cache.lock);
    for (const auto& [key, bitmap] : cache.entries) {
        if (key == id)
            return bitmap.get();
    }
    return nullptr;
}

const LICE_IBitmap* BitmapCacheAdd(int id, std::unique_ptr<LICE_MemBitmap> bitmap)
{
    BitmapCache& cache = Cache();
    std::lock_guard<std::mutex> guard(cache.lock);
    for (const auto& [key, kept] : cache.entries) {
        if (key == id)
            return kept.get();
    }
    if (!bitmap)
        return nullptr;
    cache.entries.emplace_back(id, std::move(bitmap));
    return cache.entries.back().second.get();
}

void BitmapCacheClear()
{
    BitmapCache& cache = Cache();
    std::lock_guard<std::mutex> guard(cache.lock);
    cache.entries.clear();
}

int BitmapCacheSize()
{
    BitmapCache& cache = Cache();
    std::lock_guard<std::mutex> guard(cache.lock);
    return static_cast<int>(cache.entries.size());
}

std::unique_ptr<LICE_MemBitmap> IGraphics::LoadResourceBitmap(int id, const char* name)
{
    if (!HasPngExtension(name))
        return nullptr;
    const EmbeddedImage image = FindEmbeddedImage(id);
    return image.data ? LICE_LoadPNGFromMemory(image.data, image.size) : nullptr;
}

std::string IGraphics::HostFolder() { return {}; }
std::string IGraphics::PluginFolder() { return ModuleFolder(); }
std::string IGraphics::DesktopFolder() { return {}; }
std::string IGraphics::LocalAppDataFolder() { return {}; }

void IGraphics::AskMessageBox(const char* text, const char* caption, int type, MessageAnswered answered)
{
    const int answer = ShowMessageBox(text, caption, type);
    if (answered)
        answered(answer);
}

bool IGraphics::OpenUrl(const char* url, const char* caption, const char* confirm, const char* error)
{
    if (error && *error)
        ShowMessageBox(error, caption ? caption : "", 0);
    return false;
}
