// The Ark of sector 12: a Wanderer hull built ten times larger, with a gate bay in its
// stern between the engines, where the player's side docks at the end of the campaign.
#include <algorithm>
#include <string>
#include <vector>
#include "../datagen.h"
#include "mesh_builder.h"

namespace {

using meshgen::P3;

constexpr float kScale = 10.0f;
const P3 kShape{1.2f * kScale, 1.0f * kScale, 1.3f * kScale};  // the Wanderer's proportions
constexpr float kGateZ = -88.0f;                               // just inside the stern's tip

// A frame round the stern gate. Its points: the gate, the approach point behind the ship
// and the resting place inside, as a station's bay has them.
meshgen::Model GateBay()
{
    meshgen::Builder b;
    b.Box({-9, 4, kGateZ - 2}, {9, 6, kGateZ + 2});
    b.Box({-9, -10, kGateZ - 2}, {9, -8, kGateZ + 2});
    b.Box({-9, -8, kGateZ - 2}, {-7, 4, kGateZ + 2});
    b.Box({7, -8, kGateZ - 2}, {9, 4, kGateZ + 2});
    meshgen::Model m;
    m.SetGeometry(b);
    m.points[0] = {{0, -2, kGateZ}, {0, -2, kGateZ - 170.0f}, {0, -2, -40.0f}};
    return m;
}

// Two slabs over the gate that slide apart over five frames (closed to open).
meshgen::Model GateDoor()
{
    meshgen::Model m;
    for (int f = 0; f < 5; ++f) {
        meshgen::Builder b;
        const float open = 7.0f * float(f) / 4.0f;
        b.Box({-7 - open, -8, kGateZ - 3}, {0 - open, 4, kGateZ - 2.5f});
        b.Box({0 + open, -8, kGateZ - 3}, {7 + open, 4, kGateZ - 2.5f});
        if (f == 0) m.SetGeometry(b);
        else m.frames.push_back(b.verts);
    }
    m.points[0] = {{0, -2, kGateZ - 2.75f}};
    return m;
}

void Add(datagen::DataSet& set, const std::string& path, const meshgen::Model& m)
{
    if (!set.Has(path)) set.Add(path, meshgen::Serialize(m));
}

} // namespace

DATAGEN_GENERATOR(ark_model)
{
    Add(set, "Data/Space/Ship/Ark/Main.msh", meshgen::ScaledFighter(kShape));
    Add(set, "Data/Space/Ship/Ark/GateBay.msh", GateBay());
    Add(set, "Data/Space/Ship/Ark/GateDoor.msh", GateDoor());
    return true;
}
