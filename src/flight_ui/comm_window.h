// The comm window: radio talks in space, one-line messages, and the panel they show in.
#pragma once
#include <cstdint>

#include "flight_ui/cockpit_panels.h"
#include "flight_ui/pilot_heads.h"
#include "flight_ui/radio_dialog.h"
#include "render/font.h"

class CUnit;
class CSound;
struct MeshData;

// Set while a radio talk or the radio menu holds the digit keys.
extern int g_CommMode;

constexpr int kCommLineCount = 64;
constexpr int kCommLineSize = 255;
constexpr float kCommWrapWidth = 500.0f;
constexpr float kPanelTextureHeight = 512.0f;

struct CommMessageLine {
    char text[kCommLineSize];
    int32_t type;
    int32_t line;
};

// The unit (a station with its guards) seen from an eye that circles it, drawn into the
// panel's corner (337, 5)-(507, 150).
void DrawOrbitView(CUnit* unit, const CPanelTarget& panel);

// An RGB colour with a fresh alpha between 200 and 255: the panel text's flicker.
unsigned FlickerColour(unsigned rgb);

class CCommWindow {
public:
    int state = 0;  // 0 idle, 1 talk with replies, 2 one line being said
    CFont font;             // its line height steps every row of the panel
    CFont smallScreenFont;  // the same rows in glyphs that fill them, for screens below 768 rows
    CommMessageLine lines[kCommLineCount] = {};
    int lineCount = 0;
    RadioReplyEntry replies[RADIO_REPLY_TABLE_SIZE] = {};
    uint32_t lastTick = 0;
    float openPercent = 0.0f;
    uint32_t sayStart = 0;
    uint32_t lineStart = 0;  // game time (ms) the current line began: the head flickers while it is spoken
    float sayDuration = 0.0f;
    float panelHeight = 0.0f;
    CPanelTarget panel;  // shared with the radio menu
    CSound* backgroundComm = nullptr;
    CSound* voice = nullptr;
    // ---- Speaker (read by the damage code's radio lines) ----
    CUnit* speaker = nullptr;  // the unit being talked to; null when idle
    int IsSpeaker(const CUnit* unit) const { return unit == speaker; }
    // ---- end of speaker ----
    CPilotHeads heads;

    void Init();
    // The font the panel's texts are drawn and wrapped in: below 768 screen rows the panel
    // shows at about half size, where the plain font's letters shrink to 5 pixels.
    CFont& TextFont();
    int Talk(CUnit* unit, int startLine);
    void ChooseReply(int n);
    // The unit says a line of the type; 1 when it did. Head mode 1, or 2 for a new head
    // animation.
    int Say(CUnit* unit, int lineType, int headMode);
    int SayLine(CUnit* unit, const char* text, const char* wav, float seconds);
    // A network chat line: the text shown in the panel as the unit's own, for a single line's time.
    void SayText(CUnit* unit, const char* text);
    // Closes any talk.
    void EndTalk();
    void AddLine(const char* text, int type, int line);
    void ClearLines();
    void ClearReplies();
    void Update();
    void Draw();
    // The panel texture under the cockpit effect's texture name (shared with the radio menu).
    void CreateRenderTarget(const char* name);
    void ReleaseRenderTarget();
    void Reload();
    void Release();
    // The frame of an n-frame panel mesh that matches the opening.
    int ToPixels(int frames) const;
    // UVs of the panel quad's four lit vertices to the used part of the texture.
    void SetupQuad(MeshData* quad) const;
    // A unit leaving the world: a talk it holds ends before its record goes.
    void ForgetUnit(const CUnit* unit);

    // The contact gate shared by Talk, Say and SayLine.
    bool MayContact(const CUnit* unit) const;

private:
    void PlayVoice(const char* wav, const CUnit* unit);
    void ReleaseVoice();
    void OpenTalk(CUnit* unit);
    void StartLine();
    // The head rests once the line's voice ends, or, without a voice, after reading time.
    bool LineSpoken(uint32_t nowMs);
    void DrawSpeakerView();
    void DrawHeader();
};

extern CCommWindow g_CommWindow;

// Sets the frequency of a voice to its rate x the pilot's pitch / 100 x 1.05, volume 100,
// and plays it once.
void PlayPilotVoice(CSound* voice, const CUnit* unit);
