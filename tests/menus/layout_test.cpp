// Every text the game menu, the station menu and the cockpit's comm and radio panels draw at
// a fixed place, in both languages, measured where it is really drawn: the draws of each
// page are caught on a null device, a text is the box of one font draw, and an element is
// a filled quad, a 3D view's viewport or another text. A text must stay inside its screen
// or panel, must not run into another text, and must lie wholly inside or wholly beside
// every element it shares its rows with: a label that runs under a button, a key column
// or a bar, or out of its box or frame, fails. A picture stays on its screen, a 3D view
// inside a quad of its own. The cockpit frames every screen shape, and its panels' texts
// read at 800 x 600.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <tuple>
#include <map>
#include <string>
#include <vector>

#include "app/settings.h"
#include "app/winmain.h"
#include "app/wndproc.h"
#include "dataset_util.h"
#include "files/file_manager.h"
#include "files/language.h"
#include "flight_ui/cockpit.h"
#include "flight_ui/comm_window.h"
#include "flight_ui/radar.h"
#include "flight_ui/radio_menu.h"
#include "flight_ui/target_screen.h"
#include "locations/location_director.h"
#include "locations/pilot_profile.h"
#include "locations/sector_save_file.h"
#include "menus/buttons.h"
#include "menus/game_menu.h"
#include "menus/network_pages.h"
#include "menus/records_page.h"
#include "menus/settings_page.h"
#include "menus/station_menu.h"
#include "platform/gfx/null_device.h"
#include "platform/math/mesh_data.h"
#include "render/mesh.h"
#include "render/object_draw.h"
#include "world/objects/attached_effect.h"
#include "render/d3d_render.h"
#include "render/draw2d.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/item.h"
#include "world/objects/object_codes.h"
#include "world/objects/unit.h"
#include "world/world.h"

namespace fs = std::filesystem;

namespace {

struct Box {
    float x0, y0, x1, y1;
    int glyphs = 0;    // texts only
    unsigned alpha = 255;
    const void* frame = nullptr;  // the render target it was drawn into, null for the screen
    float frameWidth = 0.0f, frameHeight = 0.0f;  // that target's size
};

// A null device that keeps, in drawing order, the box of every text (one indexed draw of
// a font), of every quad (cut-corner panels too), and of every viewport smaller than its
// target; and the primitives of the world-space draws.
class LayoutDevice : public NullGfxDevice {
public:
    explicit LayoutDevice(const D3DPRESENT_PARAMETERS& p) : NullGfxDevice(p) { recording = false; }
    std::vector<Box> texts, quads, views, pictures, frames, marks;
    std::map<int, unsigned> world;  // primitive type: primitives
    float targetWidth = 800.0f, targetHeight = 600.0f;

    // A panel drawn into its own render target (the map's target screen) is laid out in
    // that target's texels, apart from the screen's.
    GfxResult SetRenderTarget(unsigned index, GfxSurface* surface) override
    {
        if (index == 0) {
            // Each switch a frame of its own: a surface freed and made again may reuse an address.
            frame_ = surface == BackBufferSurface() ? nullptr : reinterpret_cast<const void*>(++switches_);
            D3DSURFACE_DESC desc{};
            if (frame_ && surface->GetDesc(&desc) == D3D_OK) frameWidth_ = float(desc.Width), frameHeight_ = float(desc.Height);
        }
        return NullGfxDevice::SetRenderTarget(index, surface);
    }
    GfxResult SetFVF(unsigned fvf) override
    {
        screen_ = (fvf & D3DFVF_XYZRHW) != 0;
        return NullGfxDevice::SetFVF(fvf);
    }
    GfxResult SetTexture(unsigned stage, GfxTexture* t) override
    {
        if (stage == 0) textured_ = t != nullptr;
        return NullGfxDevice::SetTexture(stage, t);
    }
    GfxResult SetViewport(const D3DVIEWPORT9* vp) override
    {
        const float frameWidth = frame_ ? frameWidth_ : targetWidth;
        if (vp && (vp->x > 0 || vp->y > 0 || float(vp->width) < frameWidth - 1.0f)) {
            Box b{float(vp->x), float(vp->y), float(vp->x + vp->width), float(vp->y + vp->height)};
            Stamp(b);
            views.push_back(b);
        }
        return NullGfxDevice::SetViewport(vp);
    }
    GfxResult DrawPrimitiveUP(D3DPRIMITIVETYPE type, unsigned count, const void* v, unsigned stride) override
    {
        const auto* sv = static_cast<const ScreenVertex*>(v);
        if (screen_ && type == D3DPT_TRIANGLESTRIP && count == 2) (textured_ ? pictures : quads).push_back(Bounds(sv, 4));
        if (screen_ && !textured_ && type == D3DPT_TRIANGLESTRIP && count == 6) quads.push_back(Bounds(sv, 8));
        if (screen_ && !textured_ && type == D3DPT_LINESTRIP && count == 8) frames.push_back(Bounds(sv, 9));
        else if (screen_ && !textured_ && (type == D3DPT_LINESTRIP || type == D3DPT_LINELIST))
            marks.push_back(Bounds(sv, type == D3DPT_LINELIST ? 2 * count : count + 1));
        if (!screen_) world[type] += count;
        return NullGfxDevice::DrawPrimitiveUP(type, count, v, stride);
    }
    GfxResult DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, unsigned minIndex, unsigned numVertices, unsigned count,
                                     const void* indices, D3DFORMAT format, const void* v, unsigned stride) override
    {
        if (screen_ && textured_ && numVertices >= 4) {
            Box b = Bounds(static_cast<const ScreenVertex*>(v), numVertices);
            b.glyphs = int(numVertices / 4);
            texts.push_back(b);
        }
        return NullGfxDevice::DrawIndexedPrimitiveUP(type, minIndex, numVertices, count, indices, format, v, stride);
    }
    void Clear() { texts.clear(), quads.clear(), views.clear(), pictures.clear(), frames.clear(), marks.clear(), world.clear(); }

private:
    Box Bounds(const ScreenVertex* v, unsigned n) const
    {
        Box b{v[0].x, v[0].y, v[0].x, v[0].y};
        Stamp(b);
        b.alpha = v[0].diffuse >> 24;
        for (unsigned i = 1; i < n; ++i) {
            b.alpha = std::max(b.alpha, unsigned(v[i].diffuse >> 24));
            b.x0 = std::min(b.x0, v[i].x), b.x1 = std::max(b.x1, v[i].x);
            b.y0 = std::min(b.y0, v[i].y), b.y1 = std::max(b.y1, v[i].y);
        }
        return b;
    }
    bool textured_ = false;
    bool screen_ = false;
    const void* frame_ = nullptr;
    uintptr_t switches_ = 0;
    float frameWidth_ = 0.0f, frameHeight_ = 0.0f;
    void Stamp(Box& b) const
    {
        b.frame = frame_;
        b.frameWidth = frame_ ? frameWidth_ : targetWidth;
        b.frameHeight = frame_ ? frameHeight_ : targetHeight;
    }
};

constexpr float kTol = 0.5f;   // rounding of a glyph edge
constexpr float kRows = 3.0f;  // boxes that share fewer rows than this do not meet
constexpr unsigned kSolid = 150;  // boxes at least this opaque are bars and buttons, not backgrounds

float RowsShared(const Box& a, const Box& b) { return std::min(a.y1, b.y1) - std::max(a.y0, b.y0); }
float Overlap(const Box& a, const Box& b) { return std::min(a.x1, b.x1) - std::max(a.x0, b.x0); }
std::string Str(const Box& b)
{
    char s[96];
    std::snprintf(s, sizeof s, "(%.1f, %.1f)-(%.1f, %.1f)", b.x0, b.y0, b.x1, b.y1);
    return s;
}

// The faults of one drawn page.
std::vector<std::string> Faults(const LayoutDevice& d)
{
    std::vector<std::string> out;
    for (size_t i = 0; i < d.texts.size(); ++i) {
        const Box& t = d.texts[i];
        if (t.x0 < -kTol || t.x1 > t.frameWidth + kTol || t.y0 < -kTol || t.y1 > t.frameHeight + kTol)
            out.push_back("text " + Str(t) + " leaves its screen");
        for (size_t j = i + 1; j < d.texts.size(); ++j) {
            const Box& u = d.texts[j];
            if (u.frame != t.frame) continue;
            // A shadow: the same text again a step or two off.
            if (u.glyphs == t.glyphs && std::fabs((u.x1 - u.x0) - (t.x1 - t.x0)) < kTol &&
                std::fabs(u.x0 - t.x0) <= 3.0f && std::fabs(u.y0 - t.y0) <= 3.0f)
                continue;
            if (RowsShared(t, u) > kRows && Overlap(t, u) > kTol)
                out.push_back("text " + Str(t) + " runs into text " + Str(u));
        }
        auto against = [&](const std::vector<Box>& elements, const char* what) {
            for (const Box& e : elements) {
                if (e.frame != t.frame) continue;
                // Thin strokes (rules, gradient lines under a caption) are decoration.
                if (e.y1 - e.y0 < 8.0f || RowsShared(t, e) <= kRows) continue;
                // A text that starts in a box ends in it; a bar or a view it meets it must
                // not cross. A background it starts beside may carry it over its edge.
                const bool startsIn = t.x0 >= e.x0 - kTol && t.x0 < e.x1 - kTol;
                if (startsIn && t.x1 > e.x1 + kTol)
                    out.push_back("text " + Str(t) + " runs out of " + what + " " + Str(e));
                else if (!startsIn && e.alpha >= kSolid && Overlap(t, e) > kTol)
                    out.push_back("text " + Str(t) + " runs across " + what + " " + Str(e));
            }
        };
        against(d.quads, "the box");
        // A panel's unit view frames its ship with a margin of a tenth of its width each
        // side; a row that reaches only into that black margin (the target screen's rows
        // beside the turning ship) still reads.
        std::vector<Box> pictures = d.views;
        for (Box& v : pictures) {
            const float m = v.frame ? 0.1f * (v.x1 - v.x0) : 0.0f;
            v.x0 += m, v.x1 -= m;
        }
        against(pictures, "the view");
    }
    auto inside = [](const Box& in, float x0, float y0, float x1, float y1) {
        return in.x0 >= x0 - 1.5f && in.y0 >= y0 - 1.5f && in.x1 <= x1 + 1.5f && in.y1 <= y1 + 1.5f;
    };
    for (const Box& p : d.pictures) {
        if (!inside(p, 0.0f, 0.0f, p.frameWidth, p.frameHeight)) out.push_back("picture " + Str(p) + " leaves its screen");
        // A picture that starts in a frame ends in it.
        for (const Box& f : d.frames)
            if (f.frame == p.frame && p.x0 > f.x0 && p.y0 > f.y0 && p.x0 < f.x1 && p.y0 < f.y1 && !inside(p, f.x0, f.y0, f.x1, f.y1))
                out.push_back("picture " + Str(p) + " runs out of the frame " + Str(f));
    }
    // A view in a render target has the target for its panel; one on the screen needs a box.
    for (const Box& v : d.views)
        if (!v.frame && std::none_of(d.quads.begin(), d.quads.end(), [&](const Box& b) {
                return b.x1 - b.x0 < v.frameWidth - 2.0f && inside(v, b.x0, b.y0, b.x1, b.y1);
            }))
            out.push_back("3D view " + Str(v) + " lies in no panel of its own");
    return out;
}

class LayoutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const fs::path game(KORVANE_GAME_DIR);
        if (!fs::exists(game / "Data/World.hdr")) GTEST_SKIP() << "the data set is not built in " << KORVANE_GAME_DIR;
        saved_ = g_Settings;
        old_ = fs::current_path();
        dir_ = testutil::EnterArchiveRunDir("korvane-layout");
        ASSERT_FALSE(dir_.empty());
        g_Settings.debugOut = 0;
        g_Settings.useFileManager = 1;
        CFileManager::Init();
        D3DPRESENT_PARAMETERS p;
        p.BackBufferWidth = 800;
        p.BackBufferHeight = 600;
        p.Windowed = 1;
        device_ = new LayoutDevice(p);
        savedDevice_ = g_D3DRender.device;
        g_D3DRender.device = device_;
        g_D3DRender.width = 800.0f;
        g_D3DRender.height = 600.0f;
        g_ScreenScaleX = g_ScreenScaleY = 1.0f;
        savedMessages_ = g_TextureErrorMessages;
        g_TextureErrorMessages = 0;
        InitCircleTables();
        g_World.ResetForLocation();
        SetSaveRoot("Save");
        entered_ = true;
    }
    void TearDown() override
    {
        if (!entered_) return;
        g_TextureErrorMessages = savedMessages_;
        g_D3DRender.device = savedDevice_;
        device_->Release();
        ClearLanguageData();
        CFileManager::Release();
        g_Settings = saved_;
        fs::current_path(old_);
        fs::remove_all(dir_);
    }

    GameSettings saved_{};
    fs::path old_, dir_;
    LayoutDevice* device_ = nullptr;
    GfxDevice* savedDevice_ = nullptr;
    int savedMessages_ = 1;
    bool entered_ = false;
};

// A unit of the sector loaded from its description, with a pilot when one is named.
CUnit* Ship(int kind, const char* path, const char* pilot, int side, const Vec3& at)
{
    CUnit* u = new CUnit();
    u->Load(path, -1);
    if (pilot) u->pilot.Load(u, pilot);
    u->objectClass = GCLASS_SPACE_SHIP;
    u->kind = kind;
    u->position = at;
    u->worldMatrix = MatrixTranslation(at.x, at.y, at.z);
    u->drawMatrix = u->worldMatrix;
    u->pilot.side = side;
    u->hull = u->hullMax > 0.0f ? u->hullMax : (u->hullMax = 100.0f);
    CObjectList::Add(u);
    return u;
}

// The comm panel open on a question with two replies.
void DrawCommTalk(CUnit* speaker)
{
    g_CommWindow.speaker = speaker;
    g_CommWindow.state = 1;
    g_CommWindow.openPercent = 100.0f;
    g_CommWindow.ClearLines();
    g_CommWindow.AddLine("Вы хотите работать на нас?", 1, 0);
    g_CommWindow.AddLine("1 - Следовать за мной.", 2, 1);
    g_CommWindow.AddLine("2 - Охранять ближайшую шахту!", 2, 2);
    g_D3DRender.framesPresented = 0;
    g_CommWindow.Update();
    g_CommWindow.Draw();
}

// The cockpit model seen by the space camera (vertical field 1.46121, aspect value x 0.85,
// the eye at the model's origin): at 4:3, 16:10 and 16:9 the shell covers the picture's
// sides and top and leaves the same window open, and at 800 x 600 each panel's texts,
// drawn into its texture, reach the screen at least so many pixels high: the screens'
// small rows 8.5, the comm panel's glyphs 10.5 (inside the part of the panel shown), the
// radio's message lines (from row 150 down) and the radar's caption, which have room, 12.
void ExpectCockpitFramesAndReads(LayoutDevice* device, CUnit* player, CUnit* target)
{
    const CUnit& model = *g_Cockpit.unit;
    const float ys = 1.0f / std::tan(1.46121f / 2.0f);
    const MeshData& shell = *model.FindCockpit()->meshes[0]->m_SubMeshes[0];
    for (float aspectValue : {1.33333f, 1.6f, 1.77778f}) {
        const float aspect = aspectValue * 0.85f, stretch = CockpitShellStretch(aspect);
        auto covered = [&](float x, float y) {
            float t = 0.0f;
            const Vec3 far((2.0f * x - 1.0f) * aspect / ys / stretch * 5.0f, (1.0f - 2.0f * y) / ys * 5.0f, 5.0f);
            return IntersectSegmentMesh(shell, Vec3(), far, &t);
        };
        for (float k = 0.01f; k < 1.0f; k += 0.04f)
            for (const auto& [x, y] : {std::pair{0.003f, k}, std::pair{0.997f, k}, std::pair{k, 0.003f}})
                EXPECT_TRUE(covered(x, y)) << "open space at (" << x << ", " << y << "), aspect " << aspectValue;
        for (float x : {0.17f, 0.5f, 0.83f}) EXPECT_FALSE(covered(x, 0.4f)) << "wall at " << x << ", aspect " << aspectValue;
    }
    // In a hard turn (4:3 at 800 x 600 and 1024 x 768, 16:10, 16:9) the panels stay on the
    // screen, the help open; the speaker's bracket astride the comm column keeps off it.
    g_RadioMenu.state = 1, g_RadioMenu.page = RADIO_PAGE_HELP, g_RadioMenu.switching = 0;
    g_RadioMenu.UpdateTyping(), g_RadioMenu.openPercent = 100.0f;
    CCamera& camera = g_World.Camera();
    const float s = 0.1125f;
    for (const auto& [name, aspect, sway] : {std::tuple{"800 x 600 turning left", 1.33333f, Vec3(s, 0, s)},
                                             {"800 x 600 diving", 1.33333f, Vec3(0, s, 0)}, {"1024 x 768 turning right", 1.33333f, Vec3(-s, 0, -s)},
                                             {"1280 x 800 climbing", 1.6f, Vec3(s, -s, s)}, {"1920 x 1080 turning right", 1.77778f, Vec3(-s, s, -s)}}) {
        camera.SetProjection(1.46121f, aspect * 0.85f, 50.0f, 1.0f), camera.SetMatrices(Vec3(), Vec3(0, 0, 1), Vec3(0, 1, 0));
        g_Cockpit.PlaceModel(model, MatrixRotationY(sway.x) * MatrixRotationX(sway.y) * MatrixRotationZ(-2.0f * sway.z));
        ASSERT_EQ(g_Cockpit.panelRectCount, 4) << name;
        for (const CCockpit::Rect& r : g_Cockpit.panelRects)
            EXPECT_TRUE(r.x0 >= -0.5f && r.y0 >= -0.5f && r.x1 <= 800.5f && r.y1 <= 600.5f) << name << ": a panel leaves the screen";
        const CCockpit::Rect c = g_Cockpit.panelRects[3];
        target->position = Vec3Normalize(Vec3Unproject(Vec3(c.x1 + 2.0f, (c.y0 + c.y1) * 0.5f, 0.99f), Viewport{0, 0, 800, 600},
                                                       camera.projection, camera.view, MatrixIdentity())) * 400.0f;
        target->worldMatrix = target->drawMatrix = MatrixTranslation(target->position.x, target->position.y, target->position.z);
        g_CommWindow.speaker = target, device->Clear(), g_Cockpit.DrawOverlay();
        int marks = 0;
        for (const Box& p : device->pictures)  // but the steering ring, which the column may swing under
            if (p.alpha != 0x5C && ++marks) {
                EXPECT_FALSE(p.x1 > c.x0 + kTol && p.x0 < c.x1 - kTol && p.y1 > c.y0 + kTol && p.y0 < c.y1 - kTol) << name << ": a mark " << Str(p) << " over the comm column";
            }
        EXPECT_GT(marks, 0) << name;
    }
    g_CommWindow.speaker = nullptr;
    g_RadioMenu.state = 0, g_RadioMenu.page = -1, g_RadioMenu.openPercent = 0.0f;
    target->position = Vec3(0, 30, 120);
    const std::tuple<const CAttachedEffect*, const CPanelTarget*, std::function<void()>, float, float> panels[] = {
        {model.FindCockpitScreen1(), &g_TargetScreen.panel, [&] { g_TargetScreen.SetTarget(target), g_TargetScreen.Draw(); }, 8.5f, 8.5f},
        {model.FindCockpitScreen2(), &g_SystemScreen.panel, [&] { g_SystemScreen.SetTarget(player), g_SystemScreen.Draw(); }, 8.5f, 8.5f},
        {model.FindCockpitRadar(), &g_Radar.panel, [] { g_Radar.Draw(); }, 12, 12},
        {model.FindCockpitScreen3(), &g_CommWindow.panel, [&] { DrawCommTalk(target); }, 10.5f, 10.5f},
    };
    for (const auto& [quad, panel, draw, minimum, linesMinimum] : panels) {
        // The quad's last frame: a growing panel at its full height.
        const MeshData& q = *quad->meshes[0]->m_SubMeshes[quad->meshes[0]->m_SubMeshCount - 1];
        float y0 = 1e9f, y1 = -1e9f;
        for (unsigned i = 0; i < q.vertexCount; ++i) y0 = std::min(y0, q.Position(i).y), y1 = std::max(y1, q.Position(i).y);
        const float perTexel = (y1 - y0) / q.Position(0).z * ys * 300.0f / float(panel->height);
        device->Clear();
        draw();
        EXPECT_FALSE(device->texts.empty()) << panel->name;
        for (const Box& t : device->texts) {
            EXPECT_GE((t.y1 - t.y0) * perTexel, t.y0 >= 150.0f ? linesMinimum : minimum) << panel->name << " " << Str(t);
            EXPECT_TRUE(panel != &g_CommWindow.panel || t.y1 <= g_CommWindow.panelHeight + kTol) << Str(t) << " below the panel";
        }
    }
}

} // namespace

TEST_F(LayoutTest, EveryFixedTextFitsBeforeTheNextElementInBothLanguages)
{
    // The worlds behind the panels: the particle sets, a sky, the home station, the player's
    // ship, wing-men and a route of three asteroids.
    g_WorldIndex = g_LocationKind = 1;
    g_World.Init();
    CObjectList::DestroyAll();
    CUnit* sky = new CUnit();
    sky->objectClass = GCLASS_SPACE_SKY;
    CObjectList::Add(sky);
    CUnit* station = Ship(GTYPE_SP_STATION, "Data/Space/Station/Base 01/Main.obj", nullptr, 1, Vec3(0, 0, 300));
    g_HeroStation = station;
    station->ore = 12.345f;
    CUnit* player = Ship(GTYPE_SP_HEROSHIP, "Data/Space/Ship/Eagle.M1/Main_H.obj", nullptr, 1, Vec3());
    g_PlayerObject = player;
    CUnit* cargo = Ship(GTYPE_SP_NPCSHIP_MERCS_CARGO, "Data/Space/Ship/Eagle.M1/Main_H.obj", "Human/Mercenaries/Transport", 1, Vec3(0, 0, 100));
    CUnit* fighter = Ship(GTYPE_SP_NPCSHIP_MERCS_FIGHTER, "Data/Space/Ship/Eagle.M1/Main_H.obj", "Human/Mercenaries/Fighter", 1, Vec3(0, 30, 120));
    (void)cargo;
    for (int i = 0; i < 3; ++i)
        Ship(GTYPE_SP_ASTEROID, "Data/Space/Static/Asteroid 01/Main.obj", nullptr, -1, Vec3(300.0f * i, -200, 600))
            ->objectClass = GCLASS_SPACE_OBJECT;
    station->dockedUnits[0] = fighter;
    station->dockedCount = 1;
    fighter->dockTime = 0xFFFFFFFFu;

    struct Page {
        const char* name;
        float width, height;  // the screen, or the panel's texture
        std::function<void()> draw;
    };
    auto menuPage = [](int page, int section) {
        return [page, section] {
            g_GameMenuActive = 1;
            g_MenuPage = page;
            g_MenuClosingPage = -1;
            g_MenuPageTime = 0;
            g_GameClock.gameTime = 60000.0;
            g_MenuDialogOpen = 0;
            g_SettingsSection = section;
            CGameMenu::Draw();
        };
    };
    auto dialog = [](int type) {
        return [type] {
            g_GameMenuActive = 1;
            g_MenuPage = MENU_PAGE_MAIN;
            g_MenuClosingPage = -1;
            g_MenuDialogOpen = 1;
            g_MenuDialogClosing = 0;
            g_MenuDialogType = type;
            g_MenuDialogTime = 0;
            g_GameClock.gameTime = 60000.0;
            CGameMenu::Draw();
        };
    };
    auto station_ = [](int page, bool weapon = false) {
        return [page, weapon] {
            g_StationMenuActive = 1;
            g_StationMenuPage = page;
            g_StationMenuPageChanging = 0;
            g_StationMenuFade = 0.0f;
            if (page == STATION_PAGE_EXCHANGE) CStationMenu::CreateShowcaseShips();
            if (page == STATION_PAGE_UPGRADES) CStationMenu::ResetUpgradePage();
            // The first weapon row clicked: the catalogue and the chosen weapon's texts, with
            // a description as long as an item's description file holds.
            for (int i = 0; weapon && i < g_StationMenu.upgradeRowCount && !g_StationMenu.weaponRowSelected; ++i) {
                const CUpgradeSystemButton& r = g_StationMenu.upgradeRows[i];
                g_MouseX = r.x + r.width * 0.5f;
                g_MouseY = r.y + r.height * 0.5f;
                CStationMenu::OnClick();
            }
            for (char* d = g_StationMenu.catalogue[0].description; weapon && d - g_StationMenu.catalogue[0].description < 500;)
                d += std::sprintf(d, "%s", "Лазерная пушка модели M2. Не требует боезапаса. ");
            g_MouseX = g_MouseY = 0.0f;
            CStationMenu::Update();
            CStationMenu::Draw();
        };
    };
    auto radio = [](int page) {
        return [page] {
            g_RadioMenu.state = 1;
            g_RadioMenu.page = page;
            g_RadioMenu.switching = 0;
            g_RadioMenu.UpdateTyping();
            g_RadioMenu.openPercent = 100.0f;
            g_D3DRender.framesPresented = 0;
            g_RadioMenu.Draw();
        };
    };
    // The map with the wing-man where the target's picture or a button (800 x 600) or a talk's panel (1024 x 768) covers it.
    auto mapShipBehind = [station_, cargo](float width, float height, float x, float y) {
        return [station_, cargo, width, height, x, y] {
            g_D3DRender.width = width, g_D3DRender.height = height, g_ScreenScaleX = width / 800.0f, g_ScreenScaleY = height / 600.0f;
            g_StationMenuActive = 1, g_StationMenuPage = STATION_PAGE_MAP, CStationMenu::Update();
            const bool talk = width > 800.0f;
            if (talk) DrawCommTalk(cargo), g_CommWindow.Update(), g_CommWindow.openPercent = 100.0f;
            const Vec3 from = g_MenuCamera.ScreenToWorld(x, y, 0), to = g_MenuCamera.ScreenToWorld(x, y, 1);
            cargo->position = from + Vec3Normalize(to - from) * Vec3Length(g_MenuCamera.eye - g_MenuCamera.lookAt);
            station_(STATION_PAGE_MAP)();
            g_CommWindow.state = 0, g_CommWindow.openPercent = 0.0f, g_CommWindow.speaker = nullptr, cargo->position = Vec3(0, 0, 100);
            g_D3DRender.width = 800.0f, g_D3DRender.height = 600.0f, g_ScreenScaleX = g_ScreenScaleY = 1.0f;
        };
    };
    // A main-menu caption shows while the pointer is over its ring.
    auto ring = [menuPage](int k) {
        return [menuPage, k] {
            const ScreenSprite& r = g_MainMenuButtons[k].idleRing;
            g_MouseX = r.centreX / g_ScreenScaleX;
            g_MouseY = r.centreY / g_ScreenScaleY;
            menuPage(MENU_PAGE_MAIN, -1)();
            g_MouseX = g_MouseY = 0.0f;
        };
    };
    const Page pages[] = {
        {"pilots", 800, 600, menuPage(MENU_PAGE_PILOTS, -1)},
        {"pilot name question", 800, 600, dialog(MENU_DIALOG_PILOT_NAME)},
        {"delete pilot question", 800, 600, dialog(MENU_DIALOG_DELETE_PILOT)},
        {"main menu, change pilot", 800, 600, ring(0)},
        {"main menu, new campaign", 800, 600, ring(1)},
        {"main menu, continue", 800, 600, ring(2)},
        {"main menu, single mission", 800, 600, ring(3)},
        {"main menu, network", 800, 600, ring(4)},
        {"main menu, records", 800, 600, ring(5)},
        {"main menu, settings", 800, 600, ring(6)},
        {"main menu, exit", 800, 600, ring(8)},
        {"campaign", 800, 600, menuPage(MENU_PAGE_CAMPAIGN, -1)},
        {"single missions", 800, 600, menuPage(MENU_PAGE_SINGLE, -1)},
        {"network", 800, 600, menuPage(MENU_PAGE_NETWORK, -1)},
        {"settings", 800, 600, menuPage(MENU_PAGE_SETTINGS, -1)},
        {"settings, video", 800, 600, menuPage(MENU_PAGE_SETTINGS, 0)},
        {"settings, sound", 800, 600, menuPage(MENU_PAGE_SETTINGS, 1)},
        {"settings, controls", 800, 600, menuPage(MENU_PAGE_SETTINGS, 2)},
        {"records", 800, 600, menuPage(MENU_PAGE_RECORDS, -1)},
        {"results", 800, 600, menuPage(MENU_PAGE_RESULTS, -1)},
        {"new campaign question", 800, 600, dialog(MENU_DIALOG_NEW_CAMPAIGN)},
        {"exit question", 800, 600, dialog(MENU_DIALOG_EXIT_GAME)},
        {"leave question", 800, 600, dialog(MENU_DIALOG_LEAVE_MISSION)},
        {"destroyed question", 800, 600, dialog(MENU_DIALOG_DESTROYED)},
        {"station tabs", 800, 600, station_(STATION_PAGE_TABS)},
        {"station dock", 800, 600, station_(STATION_PAGE_DOCK)},
        {"station map, the home station its target", 800, 600, station_(STATION_PAGE_MAP)},
        {"station map at 800 x 600, a ship behind the target's picture", 800, 600, mapShipBehind(800, 600, 120, 500)},
        {"station map at 1024 x 768, a ship behind the open talk", 1024, 768, mapShipBehind(1024, 768, 200, 100)},
        {"station map at 800 x 600, a ship behind the back button", 800, 600, mapShipBehind(800, 600, 600, 445)},
        {"station map at 800 x 600, a ship behind the call button", 800, 600, mapShipBehind(800, 600, 120, 410)},
        {"station statistics", 800, 600, station_(STATION_PAGE_STATISTICS)},
        {"station exchange", 800, 600, station_(STATION_PAGE_EXCHANGE)},
        {"station upgrades", 800, 600, station_(STATION_PAGE_UPGRADES)},
        {"station upgrades, a weapon", 800, 600, station_(STATION_PAGE_UPGRADES, true)},
        {"radio main", 512, 512, radio(RADIO_PAGE_MAIN)},
        {"radio base", 512, 512, radio(RADIO_PAGE_BASE)},
        {"radio mercenaries", 512, 512, radio(RADIO_PAGE_MERCENARIES)},
        {"radio transports", 512, 512, radio(RADIO_PAGE_TRANSPORTS)},
        {"radio fighters", 512, 512, radio(RADIO_PAGE_FIGHTERS)},
        {"radio help", 512, 512, radio(RADIO_PAGE_HELP)},
        {"radio recipient", 512, 512, radio(RADIO_PAGE_RECIPIENT)},
        {"radio message", 512, 512, radio(RADIO_PAGE_MESSAGE)},
        {"comm talk", 512, 512,
         [fighter] { DrawCommTalk(fighter); }},
    };

    for (int language = 0; language < 2; ++language) {
        g_Settings.language = language;
        LoadLanguageData();
        if (language == 0) {
            ASSERT_TRUE(CreatePilotProfile(0, "Pilot with a long name"));
        }
        CGameMenu::Load();
        LoadPilotRatings(2);
        CStationMenu::Create();
        g_StationMenu.selectedShip = fighter;
        g_Cockpit.Init();
        // The comm window's render target, shared with the radio menu.
        GfxTexture* target = nullptr;
        GfxSurface* depth = nullptr;
        ASSERT_EQ(device_->CreateTexture(512, 512, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &target),
                  D3D_OK);
        device_->CreateDepthStencilSurface(512, 512, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, 0, &depth);
        // The ships loaded above made the comm panel's own depth surface: it gives way.
        GfxSurface* made = g_CommWindow.panel.depth;
        if (made && made != g_RadioMenu.panel.depth) made->Release();
        if (g_RadioMenu.panel.depth) g_RadioMenu.panel.depth->Release();
        for (CPanelTarget* t : {&g_CommWindow.panel, &g_RadioMenu.panel}) {
            t->texture = target;
            t->depth = depth;
            t->width = t->height = 512;
        }
        for (const Page& page : pages) {
            device_->Clear();
            device_->targetWidth = page.width;
            device_->targetHeight = page.height;
            page.draw();
            EXPECT_FALSE(device_->texts.empty()) << page.name << ": nothing drawn";
            for (const std::string& f : Faults(*device_))
                ADD_FAILURE() << (language ? "English, " : "Russian, ") << page.name << ": " << f;
            // No ship's mark on the map lies over the target's picture, a button or the talk's panel (its backing).
            const float kx = page.width / 800.0f, ky = page.height / 600.0f;
            std::vector<Box> panels{{20 * kx, 430 * ky, 220 * kx, 580 * ky}};
            for (const CManagementSystemButton* b : {&g_StationMenu.mapBack, &g_StationMenu.mapCall, &g_StationMenu.mapOrders})
                panels.push_back({b->x * kx, b->y * ky, (b->x + b->width) * kx, (b->y + b->height) * ky});
            for (const Box& q : device_->quads)
                if (!q.frame && std::fabs(q.x0 - 10 * kx) < 1 && std::fabs(q.y0 - 10 * ky) < 1) panels.push_back(q);
            for (const Box& m : device_->marks)  // but the page's own frames
                for (const Box& p : panels)
                    if (std::strstr(page.name, "station map") && !m.frame && m.x1 - m.x0 < 40 && m.x1 > p.x0 && m.x0 < p.x1 && m.y1 > p.y0 && m.y0 < p.y1)
                        ADD_FAILURE() << page.name << ": a mark " << Str(m) << " over the panel " << Str(p);
            // The map draws the dust and star points, the flakes' and stars' sprites, the route.
            if (std::strstr(page.name, "station map")) {
                EXPECT_TRUE(device_->world[D3DPT_POINTLIST] == 8500u && device_->world[D3DPT_TRIANGLELIST] >= 1400u &&
                            device_->world[D3DPT_LINELIST] >= 2u) << page.name;
            }
        }
        g_StationMenuActive = 0;
        if (language == 0) ExpectCockpitFramesAndReads(device_, player, fighter);
        g_CommWindow.speaker = nullptr;
        g_CommWindow.state = 0;
        g_RadioMenu.state = 0;
        for (CPanelTarget* t : {&g_CommWindow.panel, &g_RadioMenu.panel}) *t = CPanelTarget();
        target->Release();
        if (depth) depth->Release();
        g_Cockpit.Release();
        CStationMenu::Release();
        CGameMenu::Release();
    }
    g_HeroStation = nullptr;
    g_PlayerObject = nullptr;
    g_StationMenu.selectedShip = nullptr;
    CObjectList::DestroyAll();
    for (CParticleSet& p : g_World.particles) p.Release(), p.kind = -1;
}
