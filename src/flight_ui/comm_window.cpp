// The comm window: talks with replies chosen by digit, one-line messages, the voices,
// and the panel with the head, the speaker's orbiting view, names and bars.
#include "flight_ui/comm_window.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/settings.h"
#include "app/winmain.h"
#include "audio/audio_manager.h"
#include "audio/sound.h"
#include "flight_ui/radio_menu.h"
#include "locations/location_director.h"
#include "menus/pilots_page.h"
#include "menus/station_menu.h"
#include "platform/crt/rand.h"
#include "render/d3d_render.h"
#include "render/draw2d.h"
#include "render/mesh.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/world.h"

int g_CommMode = 0;
CCommWindow g_CommWindow;

namespace {

const char kCommFont[] = "Data/Misc/Fonts/Hermes.18";
const char kCommSmallScreenFont[] = "Data/Misc/Fonts/Hermes.22";
constexpr float kSmallScreenRows = 768.0f;
constexpr float kHeaderRoom = 337.0f - 196.0f;  // from the header's column to the speaker's view
const char kBackgroundComm[] = "Data/Sounds/Space/Cockpit/Background_Comm.wav";
constexpr float kSingleLineSeconds = 5.0f;
constexpr float kPanelBaseHeight = 165.0f;

bool IsStation(const CUnit* u) { return u->kind == GTYPE_SP_STATION || u->kind == GTYPE_SP_LEAFSTATION; }
bool IsShip(const CUnit* u) { return u->kind >= 20000 && u->kind <= 20998; }

float Distance(const CUnit* a, const CUnit* b) { return Vec3Length(a->position - b->position); }

// The bounding sphere of a unit in world space; a unit whose bounds were never set takes
// its first mesh's sphere.
void WorldSphere(const CUnit* u, Vec3* centre, float* radius)
{
    Vec3 c = u->boundsCentre;
    float r = u->boundsRadius;
    if (r <= 0.0f && u->meshCount > 0 && u->meshes[0]) {
        const CMesh* m = u->meshes[0];
        float s = std::fabs(u->scale.x);
        if (std::fabs(u->scale.y) > s) s = std::fabs(u->scale.y);
        if (std::fabs(u->scale.z) > s) s = std::fabs(u->scale.z);
        c = Vec3(m->m_SphereCenter.x * u->scale.x, m->m_SphereCenter.y * u->scale.y, m->m_SphereCenter.z * u->scale.z);
        r = m->m_SphereRadius * s;
    }
    *centre = Vec3TransformCoord(c, u->drawMatrix);
    *radius = r > 0.0f ? r : 10.0f;
}

void SetInTalk(CUnit* u, int value)
{
    if (u) u->inRadioTalk = value;
}

} // namespace

unsigned FlickerColour(unsigned rgb)
{
    return (PanelFlickerAlpha() << 24) | (rgb & 0xFFFFFFu);
}

void PlayPilotVoice(CSound* voice, const CUnit* unit)
{
    if (!voice) return;
    const float pitch = unit ? float(unit->pilot.voicePitch) : 100.0f;
    voice->SetFrequency(unsigned(float(voice->frequency) / 100.0f * pitch * 1.05f));
    voice->SetVolume(100.0f);
    voice->Play(0);
}

void CCommWindow::Init()
{
    font.Load(kCommFont);
    smallScreenFont.Load(kCommSmallScreenFont);
    ClearLines();
    heads.Init();
    backgroundComm = g_AudioManager.LoadSound(kBackgroundComm, SOUND_EFFECT, 1.0f, 10.0f);
    voice = nullptr;
    speaker = nullptr;
    sayStart = 0;
    sayDuration = 0.0f;
    state = 0;
    lastTick = 0;
    openPercent = 0.0f;
    lineCount = 0;
    panel = CPanelTarget();
    panelHeight = 0.0f;
}

bool CCommWindow::MayContact(const CUnit* unit) const
{
    if (!g_PlayerObject || !unit) return false;
    if (unit == g_HeroStation && g_StationMenuActive) return false;
    if (g_LocationKind == 1) return !g_World.cameras[1].cinematicView;
    return g_LocationKind == 2 && g_StationMenuActive && g_StationMenuPage == 2;
}

void CCommWindow::ReleaseVoice()
{
    if (voice) g_AudioManager.ReleaseSound(&voice);
    voice = nullptr;
}

void CCommWindow::PlayVoice(const char* wav, const CUnit* unit)
{
    if (!wav || !wav[0] || !g_Settings.voice) return;
    voice = g_AudioManager.LoadSound(wav, SOUND_VOICE, 1.0f, 10.0f);
    PlayPilotVoice(voice, unit);
}

void CCommWindow::StartLine()
{
    lineStart = g_GameClock.NowMs();
    heads.speaking = 1;
}

bool CCommWindow::LineSpoken(uint32_t nowMs)
{
    if (voice) return !voice->IsPlaying();
    const float seconds = 1.5f + 0.06f * float(std::strlen(lines[0].text));
    return float(nowMs - lineStart) * 0.001f > seconds;
}

void CCommWindow::OpenTalk(CUnit* unit)
{
    // A new speaker takes the window: the one before is out of the talk.
    if (speaker && speaker != unit) SetInTalk(speaker, 0);
    speaker = unit;
    SetInTalk(g_PlayerObject, 1);
    SetInTalk(unit, 1);
    g_CommMode = 1;
}

int CCommWindow::Talk(CUnit* unit, int startLine)
{
    if (!MayContact(unit) || unit->radioDialog.lineCount == 0) return 0;
    CUnit* player = g_PlayerObject;
    CRadioDialog& dialog = unit->radioDialog;
    if (startLine < 0 || uint32_t(startLine) >= dialog.lineCount) return 0;

    if (unit->pilot.side == 2 && startLine != 1 && Distance(unit, player) <= player->commRange)
        return Say(unit, TEXTLINE_END_DIALOG_REJECT_COMM, 1);

    // The stations' loading (line 1) and unloading (line 3) requests are offered only
    // when they make sense for the cargo on both sides.
    const bool playerCargo = player->FindCargoItem() != nullptr;
    if (unit == g_HeroStation && g_LocationDirector.locationId != 200 && g_LocationDirector.locationId != 201 &&
        g_GameMode >= 0 && g_GameMode <= 2 && dialog.lineCount > 3) {
        if (playerCargo && player->ore != 0.0f) dialog.ResetLineFlags(3);
        else dialog.MarkLine(3, 1);
    }
    if (IsStation(unit) && unit->FindCargoItem() && dialog.lineCount > 1) {
        if (unit->ore != 0.0f && playerCargo && player->ore == 0.0f) dialog.ResetLineFlags(1);
        else dialog.MarkLine(1, 1);
    }

    ReleaseVoice();
    ClearLines();
    ClearReplies();
    int count = 0;
    const char* wav = nullptr;
    dialog.BuildReplyList(nullptr, startLine, replies, &count, &wav);
    if (count == 0 || !replies[0].text[0]) return 0;
    if (count == 1) {
        if (Distance(unit, player) < player->commRange || IsStation(unit))
            return SayLine(unit, replies[0].text, wav, kSingleLineSeconds);
        return 0;
    }
    PlayVoice(wav, unit);
    if (unit != speaker) {
        heads.speaking = 1;
        heads.phase = 0;
        heads.start = g_GameClock.NowMs();
    }
    OpenTalk(unit);
    state = 1;
    StartLine();
    AddLine(replies[0].text, replies[0].type, replies[0].line);
    char row[RADIO_TEXT_SIZE + 16];
    for (int n = 1; n < count; ++n) {
        std::snprintf(row, sizeof row, "%d - %s", n, replies[n].text);
        AddLine(row, replies[n].type, replies[n].line);
    }
    DebugOutF("CCommWindow: talk with unit %d at line %d, %d replies", unit->pilot.objectId, replies[0].line, count - 1);
    return 1;
}

int CCommWindow::Say(CUnit* unit, int lineType, int headMode)
{
    if (!MayContact(unit)) return 0;
    const char* text = unit->radioDialog.TakeLine(lineType);
    if (!text || !text[0]) return 0;
    if (unit != speaker || headMode == 2) heads.StartSpeaking(unit, headMode);
    g_CommMode = 1;
    state = 2;
    ClearLines();
    ClearReplies();
    OpenTalk(unit);
    ReleaseVoice();
    PlayVoice(unit->radioDialog.FindLineWav(lineType), unit);
    AddLine(text, TEXTLINE_QUESTION, 0);
    StartLine();
    sayStart = g_GameClock.NowMs();
    sayDuration = voice ? 0.0f : kSingleLineSeconds;
    return 1;
}

int CCommWindow::SayLine(CUnit* unit, const char* text, const char* wav, float seconds)
{
    if (!MayContact(unit) || !text || !text[0]) return 0;
    // The text may be a row of the reply table, which ClearReplies empties below.
    char copy[RADIO_TEXT_SIZE];
    CopyTextCut(copy, sizeof copy, text);
    ReleaseVoice();
    PlayVoice(wav, unit);
    if (unit != speaker) {
        heads.speaking = 1;
        heads.phase = 0;
        heads.start = g_GameClock.NowMs();
    }
    g_CommMode = 1;
    state = 2;
    ClearLines();
    ClearReplies();
    OpenTalk(unit);
    AddLine(copy, TEXTLINE_QUESTION, 0);
    StartLine();
    sayStart = g_GameClock.NowMs();
    sayDuration = seconds;
    return 1;
}

void CCommWindow::SayText(CUnit* unit, const char* text)
{
    // No voice: a typed line is read, not heard.
    SayLine(unit, text, nullptr, kSingleLineSeconds);
}

void CCommWindow::ChooseReply(int n)
{
    if (!g_CommMode || !speaker || openPercent <= 0.0f || state != 1) return;
    if (n < 1 || n >= RADIO_REPLY_TABLE_SIZE) return;
    const RadioReplyEntry row = replies[n];
    if (row.type == TEXTLINE_NONE || row.type == TEXTLINE_QUESTION) return;
    CUnit* unit = speaker;
    CUnit* player = g_PlayerObject;
    CRadioDialog& dialog = unit->radioDialog;
    const bool lineInside = row.line >= 0 && uint32_t(row.line) < dialog.lineCount;
    if (lineInside && dialog.lines[row.line].oneShot == 1) dialog.lines[row.line].said = 1;

    switch (row.type) {
    case TEXTLINE_END_DIALOG_NORMAL:
    case TEXTLINE_END_DIALOG_BATTLE:
    case TEXTLINE_END_DIALOG_QUEST_ID0:
    case TEXTLINE_END_DIALOG_QUEST_ID1:
    case TEXTLINE_END_DIALOG_QUEST_ID2:
        ReleaseVoice();
        heads.Stop();
        if (row.type >= TEXTLINE_END_DIALOG_QUEST_ID0 && row.type <= TEXTLINE_END_DIALOG_QUEST_ID2)
            g_LocationDirector.questFlags[row.type - TEXTLINE_END_DIALOG_QUEST_ID0] = 1;
        g_CommMode = 0;
        state = 0;
        SetInTalk(player, 0);
        SetInTalk(unit, 0);
        speaker = nullptr;
        DebugOutF("CCommWindow: talk with unit %d ended by reply %d", unit->pilot.objectId, n);
        return;
    case TEXTLINE_END_DIALOG_HIRED:
        ReleaseVoice();
        heads.Stop();
        DebugOutF("CCommWindow: unit %d hired", unit->pilot.objectId);
        unit->InitMercenary();
        if (g_LocationDirector.ordersAvailable > 0) --g_LocationDirector.ordersAvailable;
        return;
    case TEXTLINE_REQUEST_LANDING:
    case TEXTLINE_REQUEST_LOADING: {
        if (!player) return;
        // Called from a station's map, the ship still lies docked while its pilot is inside: its
        // stay is kept, or the bay would launch it empty behind his back.
        const bool docked = CObjectList::FindDockedPlayerShip() == player;
        if (!docked) player->dockTime = row.type == TEXTLINE_REQUEST_LANDING ? 0xFFFFFFFFu : 0u;
        Vec3 centre;
        float radius = 0.0f;
        WorldSphere(unit, &centre, &radius);
        const char* answer = "wait";
        if (Distance(player, unit) > 3.0f * radius) {
            Say(unit, TEXTLINE_REQUEST_LANDING_TOOFAR, 1);
            answer = "too far";
        } else if (!docked && unit->RequestDocking(player, player->dockTime)) {
            Say(unit, TEXTLINE_REQUEST_LANDING_OK, 1);
            answer = "granted";
        } else {
            Say(unit, TEXTLINE_REQUEST_LANDING_WAIT, 1);
        }
        DebugOutF("CCommWindow: docking request to unit %d %s", unit->pilot.objectId, answer);
        return;
    }
    default:
        break;
    }
    if (row.type >= TEXTLINE_END_DIALOG_SETORDER1 && row.type <= TEXTLINE_END_DIALOG_SETORDER9) {
        const int k = row.type - 100;
        const bool lastDockingStages = unit->orderType == ACTION_DOCKING && unit->orderSubState >= 3;
        if (!lastDockingStages) {
            if (unit->kind == GTYPE_SP_NPCSHIP_MERCS_CARGO) unit->OrderTransport(k);
            else if (unit->kind == GTYPE_SP_NPCSHIP_MERCS_FIGHTER) unit->OrderFighter(k);
        }
        DebugOutF("CCommWindow: unit %d given order %d, now order %d", unit->pilot.objectId, k, unit->orderType);
        Say(unit, TEXTLINE_GETORDER_OK, 1);
        return;
    }
    // A reply that leads nowhere inside the dialog ends the talk instead of starting over.
    if (row.nextLine < 0 || uint32_t(row.nextLine) >= dialog.lineCount || !Talk(unit, row.nextLine)) EndTalk();
}

void CCommWindow::EndTalk()
{
    if (backgroundComm) backgroundComm->Stop();
    ReleaseVoice();
    heads.Stop();
    state = 0;
    SetInTalk(g_PlayerObject, 0);
    SetInTalk(speaker, 0);
    speaker = nullptr;
    ClearLines();
    g_TextInputState = 0;
    g_CommMode = 0;
    g_RadioMenu.state = 0;
    g_RadioMenu.page = -1;
    g_RadioMenu.rows = 0;
}

void CCommWindow::ForgetUnit(const CUnit* unit)
{
    if (unit && unit == speaker) EndTalk();
}

CFont& CCommWindow::TextFont()
{
    return g_D3DRender.height < kSmallScreenRows && smallScreenFont.count > 0 ? smallScreenFont : font;
}

void CCommWindow::AddLine(const char* text, int type, int line)
{
    if (!text) return;
    auto push = [&](const char* piece, size_t length) {
        if (lineCount >= kCommLineCount) return;  // the panel shows no more
        CommMessageLine& l = lines[lineCount++];
        if (length > sizeof l.text - 1) length = sizeof l.text - 1;
        std::memcpy(l.text, piece, length);
        l.text[length] = 0;
        l.type = type;
        l.line = line;
    };
    // Wrapped in the font drawn, so that a row stays inside the panel.
    const CFont& f = TextFont();
    const char* rest = text;
    // Bounded by the text: every round takes at least one character.
    while (rest[0]) {
        if (f.GetTextWidth(1.0f, rest) <= kCommWrapWidth) {
            push(rest, std::strlen(rest));
            return;
        }
        const size_t len = std::strlen(rest);
        size_t at = size_t(f.CharIndexAtX(kCommWrapWidth, 1.0f, rest));
        if (at > len) at = len;
        size_t blank = at < len ? at : len - 1;
        while (blank > 0 && rest[blank] != ' ') --blank;
        if (rest[blank] == ' ' && blank > 0) {
            push(rest, blank);
            rest += blank + 1;
        } else {
            if (at == 0) at = 1;
            push(rest, at);
            rest += at;
        }
    }
}

void CCommWindow::ClearLines()
{
    for (CommMessageLine& l : lines) {
        l.text[0] = 0;
        l.type = -1;
        l.line = 0;
    }
    for (RadioReplyEntry& r : replies) {
        r.text[0] = 0;
        r.colour = 0;
        r.type = -1;
        r.nextLine = 0;
    }
    lineCount = 0;
    sayDuration = 0.0f;
}

void CCommWindow::ClearReplies()
{
    for (RadioReplyEntry& r : replies) {
        r.type = 0;
        r.nextLine = 0;
    }
}

void CCommWindow::Update()
{
    CUnit* player = g_PlayerObject;
    if (!player) return;
    if (backgroundComm) {
        if (openPercent == 0.0f) {
            if (backgroundComm->IsPlaying()) backgroundComm->Stop();
        } else {
            backgroundComm->SetVolume(openPercent * 0.8f);
            if (!backgroundComm->IsPlaying()) backgroundComm->Play(SNDPLAY_LOOPING);
        }
    }
    if (state == 0) speaker = nullptr;
    const float lh = font.GetTextHeight(1.0f);
    panelHeight = float(lineCount) * lh + kPanelBaseHeight;
    if (panelHeight > kPanelTextureHeight) panelHeight = kPanelTextureHeight;

    if (speaker) {
        const bool dead = speaker->hull == 0.0f || speaker->orderType == ACTION_DEAD;
        if (dead && speaker->orderSubState > 1) EndTalk();
        else if (Distance(speaker, player) > player->commRange) EndTalk();
    }
    if (!speaker && state == 1) {
        g_CommMode = 0;
        state = 0;
    }
    const uint32_t now = g_GameClock.NowMs();
    if (heads.speaking && LineSpoken(now)) heads.Stop();
    if (state == 2) {
        if (voice) {
            if (!voice->IsPlaying()) {
                ReleaseVoice();
                EndTalk();
            }
        } else if (float(now - sayStart) * 0.001f >= sayDuration) {
            EndTalk();
        }
    } else if (voice && !voice->IsPlaying()) {
        ReleaseVoice();
    }
    const float step = float(now - lastTick) * 0.001f * 300.0f;
    openPercent += state != 0 ? step : -step;
    if (openPercent < 0.0f) openPercent = 0.0f;
    if (openPercent > 100.0f) openPercent = 100.0f;
    lastTick = now;
}

void CCommWindow::DrawSpeakerView()
{
    DrawOrbitView(speaker, panel);
}

void DrawOrbitView(CUnit* s, const CPanelTarget& panel)
{
    GfxDevice* dev = g_D3DRender.device;
    if (!dev || !s) return;
    Vec3 centre;
    float radius = 0.0f;
    WorldSphere(s, &centre, &radius);
    const bool station = IsStation(s);
    CUnit* guards[kMaxGuards] = {};
    int guardCount = 0;
    if (station) {
        for (uint32_t i = 0; i < CObjectList::unitCount[1]; ++i) {
            CUnit* u = CObjectList::units[1][i];
            if (u && u != s && u->orderType == ACTION_GUARD && u->boundUnit == s && guardCount < kMaxGuards)
                guards[guardCount++] = u;
        }
        if (guardCount > 0) {
            Vec3 sum = centre;
            Vec3 gc[kMaxGuards];
            float gr[kMaxGuards];
            for (int i = 0; i < guardCount; ++i) {
                WorldSphere(guards[i], &gc[i], &gr[i]);
                sum = sum + gc[i];
            }
            const Vec3 mean = sum * (1.0f / float(guardCount + 1));
            float r = radius;
            for (int i = 0; i < guardCount; ++i) {
                const float d = Vec3Length(gc[i] - centre) + gr[i];
                if (d > r) r = d;
            }
            centre = mean;
            radius = r;
        }
    }
    const Vec3 right(s->worldMatrix.m[0][0], s->worldMatrix.m[0][1], s->worldMatrix.m[0][2]);
    const Vec3 up(s->worldMatrix.m[1][0], s->worldMatrix.m[1][1], s->worldMatrix.m[1][2]);
    const Vec3 forward(s->worldMatrix.m[2][0], s->worldMatrix.m[2][1], s->worldMatrix.m[2][2]);
    (void)right;
    const Vec3 offset = (forward * 1.5f + up) * radius;
    const float t = float(g_GameClock.NowMs());
    const Matrix turn = station ? MatrixRotationAxis(Vec3Normalize(up), t / -900.0f)
                                : MatrixRotationAxis(Vec3Normalize(up - forward * 0.5f), t / -500.0f);
    const Vec3 eye = centre + Vec3TransformNormal(offset, turn);

    CCamera view;
    view.SetProjection(1.0472f, 1.0f, 5000.0f, 2.0f);
    SetViewport800x600(337.0f, 5.0f, 507.0f, 150.0f);
    view.SetMatrices(eye, centre, up);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE2X);
    s->Draw(1);
    for (int i = 0; i < guardCount; ++i) guards[i]->Draw(1);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    SetViewport800x600(0.0f, 0.0f, float(panel.width), float(panel.height));
}

void CCommWindow::DrawHeader()
{
    const CPilotData& p = speaker->pilot;
    const float lh = font.GetTextHeight(1.0f);
    CFont& text = TextFont();
    // At half size on a small screen the block reads only as bright as the target screen
    // shows the same rows: full green, the names in the side colour.
    const unsigned label = 0x00FF00u, nameColour = p.side == 2 || p.side == 3 ? 0xFF3700u : 0xC8C800u;
    const char* owner = std::strcmp(p.pilotMarker, "PLAYER_NAME") == 0 ? g_PlayerName : p.pilotMarker;
    struct Row {
        const char* text;
        unsigned colour;
    } rows[6] = {{p.title, label},
                 {std::strcmp(p.secondText, "NONE") != 0 ? p.secondText : "", label},
                 {"Владелец:", label},
                 {owner, nameColour},
                 {"Пилот:", label},
                 {p.pilotName, nameColour}};
    // Each row twice, a texel apart: the panel shows at half size on a small screen, where
    // strokes one texel wide fade to half their colour.
    for (int k = 0; k < 6; ++k) {
        if (!rows[k].text || !rows[k].text[0]) continue;
        const unsigned colour = FlickerColour(rows[k].colour);
        for (float dx : {0.0f, 1.0f})
            DrawPanelRow(text, 195.0f + dx, 5.0f + float(k) * lh, rows[k].text, colour, 1.0f, kHeaderRoom);
    }

    const float hullShare = speaker->hullMax > 0.0f ? speaker->hull / speaker->hullMax : 0.0f;
    DrawScreenRectColour(0xFF006400u, 497.0f, 5.0f, 508.0f, 150.0f);
    DrawScreenQuad(0xFF009600u, 0xFF003200u, 499.0f, 148.0f - hullShare * 141.0f, 506.0f, 148.0f, 0xFF009600u,
                   0xFF003200u, nullptr);
    if (IsShip(speaker)) {
        DrawScreenQuad(0xFF320000u, 0xFF320000u, 197.0f, 122.0f, 197.0f + p.skill * 121.0f, 128.0f, 0xFF640000u,
                       0xFF640000u, nullptr);
        DrawScreenRectColour(0xFF009600u, 195.0f, 120.0f, 320.0f, 130.0f);
        DrawScreenQuad(0xFF000032u, 0xFF000032u, 197.0f, 137.0f, 197.0f + p.skill2 * 121.0f, 143.0f, 0xFF000064u,
                       0xFF000064u, nullptr);
        DrawScreenRectColour(0xFF009600u, 195.0f, 135.0f, 320.0f, 145.0f);
    }
}

void CCommWindow::Draw()
{
    if (openPercent == 0.0f || !IsPanelRedrawFrame()) return;
    CPanelDrawState saved;
    if (!BeginPanelDraw(&panel, &saved)) return;
    if (!speaker) {
        // Closing: the old content darkens away.
        DrawScreenQuadColour(0x14000000u, 0.0f, 0.0f, float(panel.width), float(panel.height), nullptr);
        EndPanelDraw(&saved);
        return;
    }
    g_D3DRender.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    heads.Draw(speaker);
    DrawSpeakerView();
    const float lh = font.GetTextHeight(1.0f);
    CFont& text = TextFont();
    for (int i = 0; i < lineCount; ++i) {
        unsigned rgb = 0x009B00u;
        if (lines[i].type == 0) rgb = 0x373737u;
        else if (lines[i].type == 1) rgb = speaker->pilot.side == 2 ? 0x9B3700u : 0x9B9B00u;
        const unsigned colour = FlickerColour(rgb);
        // A texel bold, as the header: the panel shows at half size on a small screen.
        for (float dx : {0.0f, 1.0f}) text.DrawTextUniform(5.0f + dx, 155.0f + float(i) * lh, lines[i].text, colour, 1.0f);
    }
    DrawHeader();
    EndPanelDraw(&saved);
}

void CCommWindow::CreateRenderTarget(const char* name)
{
    if (!CreatePanelTarget(&panel, name, 1)) return;
    // The radio menu draws into the same texture.
    g_RadioMenu.panel = panel;
    DebugOutF("CCommWindow: panel %s, %dx%d", name, panel.width, panel.height);
}

void CCommWindow::ReleaseRenderTarget()
{
    ReleasePanelTarget(&panel);
    g_RadioMenu.panel.texture = nullptr;
    g_RadioMenu.panel.depth = nullptr;
}

void CCommWindow::Reload()
{
    ReloadPanelTarget(&panel, 1);
    g_RadioMenu.panel = panel;
}

void CCommWindow::Release()
{
    EndTalk();
    font.ReleaseTexture();
    smallScreenFont.ReleaseTexture();
    heads.Release();
    if (backgroundComm) g_AudioManager.ReleaseSound(&backgroundComm);
    backgroundComm = nullptr;
    ReleaseVoice();
    if (panel.depth) panel.depth->Release();
    panel.depth = nullptr;
    panel.texture = nullptr;
}

int CCommWindow::ToPixels(int frames) const
{
    return PanelToPixels(openPercent, frames, panelHeight);
}

void CCommWindow::SetupQuad(MeshData* quad) const
{
    SetupPanelQuad(quad, panelHeight);
}
