// The few services of subsystems that are not built yet which the locations call:
// the network session (player count, local slot, shared seed, object messages) and
// the subtitles. Each forwards to its owner once that exists; until then a location
// sees no network game and shows no subtitles.
#pragma once

class CUnit;

// Players of the running network game (2 .. 4), 0 outside one.
int LocationNetPlayerCount();
// The local player's slot in the session table (0 .. players - 1).
int LocationNetLocalSlot();
// The seed agreed in the network lobby.
unsigned LocationNetRandomSeed();
// In-game object message (type 11 new object, 14 ..., 16 docked) for a unit.
void LocationSendObjectMessage(int type, CUnit* unit);
// Every peer's last-heard time := now (after a load, which takes real time).
void LocationTouchPeers();
// Subtitles: text with two colours, shown after `delay` seconds for `seconds` more.
void LocationShowSubtitles(const char* text, float delay, float seconds, unsigned colour, unsigned secondColour);

// Test hooks: what the stand-ins above report while the network is not built.
struct LocationLinkState {
    int netPlayers = 0;
    int netLocalSlot = 0;
    unsigned netSeed = 0;
    int objectMessages = 0;
    int lastMessageType = -1;
    char lastSubtitle[1024] = {};
    float lastSubtitleDelay = 0.0f;
    float lastSubtitleSeconds = 0.0f;
    unsigned lastSubtitleColour = 0;
    unsigned lastSubtitleSecondColour = 0;
    int subtitles = 0;
};
extern LocationLinkState g_LocationLinks;
