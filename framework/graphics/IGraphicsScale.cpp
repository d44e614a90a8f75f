// The editor's scale: panel units to window pixels and back, the choice between the player's scale
// and the desktop's, and the images drawn at each scale.
#include <cmath>

#include "framework/graphics/IGraphics.h"

namespace {

// Resource ids of the 1.5x and 2x images: the 1x id plus these.
constexpr int kIdOffsetOneAndHalf = 1000;
constexpr int kIdOffsetDouble = 2000;

int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
int CeilDiv(int a, int b) { return -FloorDiv(-a, b); }

} // namespace

double NearestPanelScale(double factor)
{
    if (!std::isfinite(factor) || factor <= 0.0)
        return 1.0;
    if (factor < 1.25)
        return 1.0;
    return factor < 1.75 ? 1.5 : 2.0;
}

int ScaledResourceId(int id, double scale)
{
    const double nearest = NearestPanelScale(scale);
    if (nearest == 1.5)
        return id + kIdOffsetOneAndHalf;
    return nearest == 2.0 ? id + kIdOffsetDouble : id;
}

void IGraphics::SetScalePreference(double scale)
{
    mScalePreference = (scale == 1.0 || scale == 1.5 || scale == 2.0) ? scale : kAutoScale;
}

void IGraphics::ApplyScalePreference()
{
    if (WindowHandle())
        return;
    SetScale(mScalePreference != kAutoScale ? mScalePreference : NearestPanelScale(PlatformDesktopScale()));
}

void IGraphics::SetScale(double scale)
{
    const int halves = static_cast<int>(NearestPanelScale(scale) * 2.0);
    if (halves == mScaleHalves)
        return;
    mScaleHalves = halves;
    mScaledImages.clear();
    if (mDrawBitmap.Bits())
        PrepareDraw();
    SetAllControlsDirty();
}

int IGraphics::ToPixels(int units) const { return FloorDiv(units * mScaleHalves + 1, 2); }

IRECT IGraphics::ToPixels(const IRECT& rect) const
{
    return {FloorDiv(rect.L * mScaleHalves, 2), FloorDiv(rect.T * mScaleHalves, 2), CeilDiv(rect.R * mScaleHalves, 2),
            CeilDiv(rect.B * mScaleHalves, 2)};
}

int IGraphics::ToPanel(int pixels) const { return FloorDiv(pixels * 2, mScaleHalves); }

const LICE_IBitmap* IGraphics::ImageAtScale(const IBitmapRef& bitmap)
{
    if (mScaleHalves == 2 || bitmap.id == 0)
        return bitmap.image;
    for (const auto& [id, image] : mScaledImages) {
        if (id == bitmap.id)
            return image;
    }
    const int scaledId = ScaledResourceId(bitmap.id, Scale());
    const LICE_IBitmap* image = BitmapCacheFind(scaledId);
    if (!image) {
        const char* name = nullptr;
        for (const auto& [id, known] : mBitmapNames) {
            if (id == bitmap.id)
                name = known.c_str();
        }
        if (std::unique_ptr<LICE_MemBitmap> decoded = LoadResourceBitmap(scaledId, name))
            image = BitmapCacheAdd(scaledId, std::move(decoded));
    }
    if (!image)
        image = bitmap.image;
    mScaledImages.emplace_back(bitmap.id, image);
    return image;
}
