// The place table behind the positions that tokens and nodes hold. The last
// place found is tried first (inline); a hash finds the others, so input
// that changes file at every line stays linear.
#include "frontend/places.h"

#include <functional>
#include <unordered_map>
#include <vector>

#include "support/machine.h"

namespace {

struct PlaceKey {
    const _AlphaType *file;
    const _AlphaType *directory;
    uint8_t instrOff;
    bool operator==(const PlaceKey &o) const
    {
        return file == o.file && directory == o.directory && instrOff == o.instrOff;
    }
};

struct PlaceKeyHash {
    size_t operator()(const PlaceKey &k) const
    {
        const size_t h = std::hash<const void *>()(k.file) * 31 + std::hash<const void *>()(k.directory);
        return h * 2 + k.instrOff;
    }
};

std::vector<SourcePlace> places{SourcePlace{}};
std::unordered_map<PlaceKey, uint32_t, PlaceKeyHash> indexOf{{PlaceKey{nullptr, nullptr, 0}, 0}};

}  // namespace

namespace places_detail {

SourcePlace lastPlace = {};
uint32_t lastIndex = 0;

uint32_t findOrAdd(_AlphaType *file, _AlphaType *directory, uint8_t instrOff)
{
    auto [at, added] = indexOf.try_emplace(PlaceKey{file, directory, instrOff}, static_cast<uint32_t>(places.size()));
    if (added) {
        // An index for every marker of a 4 GB input: memory gives out first.
        if (places.size() == UINT32_MAX) reportInternal(QStringLiteral("Place table full"));
        places.push_back(SourcePlace{file, directory, instrOff});
    }
    lastPlace = SourcePlace{file, directory, instrOff};
    lastIndex = at->second;
    return lastIndex;
}

}  // namespace places_detail

const SourcePlace &PlaceAt(uint32_t index)
{
    if (index >= places.size()) reportInternal(QStringLiteral("Unknown source place %1").arg(index));
    return places[index];
}

void ForgetPlaces()
{
    std::vector<SourcePlace>{SourcePlace{}}.swap(places);
    indexOf.clear();
    indexOf.emplace(PlaceKey{nullptr, nullptr, 0}, 0);
    places_detail::lastPlace = SourcePlace{};
    places_detail::lastIndex = 0;
}
