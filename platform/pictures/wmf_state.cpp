#include "wmf_state.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace vellum::pictures::wmf {
namespace {

constexpr std::size_t kMaxSlots = 65535;

// Device pixels (at 96 per inch) per logical unit of the fixed mapping modes.
double FixedScale(int mode) {
    switch (mode) {
        case kMapLoMetric: return 96.0 / 254.0;
        case kMapHiMetric: return 96.0 / 2540.0;
        case kMapLoEnglish: return 0.96;
        case kMapHiEnglish: return 0.096;
        case kMapTwips: return 96.0 / 1440.0;
        default: return 1.0;
    }
}

bool IsFixed(int mode) { return mode >= kMapLoMetric && mode <= kMapTwips; }

}  // namespace

Rgb Resolve(ColorRef color, const Palette* palette) {
    if (color.flags == 1) {
        const std::size_t index = color.r | (std::size_t{color.g} << 8);
        if (palette != nullptr && index < palette->size()) return (*palette)[index];
        return Rgb{};
    }
    return Rgb{color.r, color.g, color.b};
}

SurfaceRef AdoptSurface(cairo_surface_t* surface) {
    if (surface == nullptr) return nullptr;
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    return SurfaceRef(surface, cairo_surface_destroy);
}

ObjectTable::ObjectTable(std::size_t size) : slots_(size) {
    // Ascending order is already a min-heap.
    free_.reserve(size);
    for (std::size_t i = 0; i < size; ++i) free_.push_back(static_cast<std::uint16_t>(i));
}

void ObjectTable::Add(GdiObject object) {
    if (!free_.empty()) {
        std::pop_heap(free_.begin(), free_.end(), std::greater<>());
        slots_[free_.back()] = std::move(object);
        free_.pop_back();
    } else if (slots_.size() < kMaxSlots) {
        slots_.emplace_back(std::move(object));
    }
}

const GdiObject* ObjectTable::Get(std::uint16_t index) const {
    if (index >= slots_.size() || !slots_[index]) return nullptr;
    return &*slots_[index];
}

void ObjectTable::Delete(std::uint16_t index) {
    if (index >= slots_.size() || !slots_[index]) return;
    slots_[index].reset();
    free_.push_back(index);
    std::push_heap(free_.begin(), free_.end(), std::greater<>());
}

std::int64_t ClampExtent(std::int64_t value) {
    return std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                    std::numeric_limits<std::int32_t>::max());
}

double Mapping::ScaleX() const {
    if (mode == kMapText) return 1.0;
    if (IsFixed(mode)) return FixedScale(mode);
    const double sx = static_cast<double>(viewportExtX) / static_cast<double>(windowExtX);
    if (mode != kMapIsotropic) return sx;
    const double sy = static_cast<double>(viewportExtY) / static_cast<double>(windowExtY);
    return std::copysign(std::min(std::fabs(sx), std::fabs(sy)), sx);
}

double Mapping::ScaleY() const {
    if (mode == kMapText) return 1.0;
    if (IsFixed(mode)) return -FixedScale(mode);
    const double sy = static_cast<double>(viewportExtY) / static_cast<double>(windowExtY);
    if (mode != kMapIsotropic) return sy;
    const double sx = static_cast<double>(viewportExtX) / static_cast<double>(windowExtX);
    return std::copysign(std::min(std::fabs(sx), std::fabs(sy)), sy);
}

PointD Mapping::ToDevice(double x, double y) const {
    return PointD{(x - static_cast<double>(windowOrgX)) * ScaleX() + static_cast<double>(viewportOrgX),
                  (y - static_cast<double>(windowOrgY)) * ScaleY() + static_cast<double>(viewportOrgY)};
}

}  // namespace vellum::pictures::wmf
