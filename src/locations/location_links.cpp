#include "locations/location_links.h"

#include <cstdio>

#include "app/settings.h"

LocationLinkState g_LocationLinks;

int LocationNetPlayerCount()
{
    return g_LocationLinks.netPlayers;
}

int LocationNetLocalSlot()
{
    return g_LocationLinks.netLocalSlot;
}

unsigned LocationNetRandomSeed()
{
    return g_LocationLinks.netSeed;
}

void LocationSendObjectMessage(int type, CUnit*)
{
    ++g_LocationLinks.objectMessages;
    g_LocationLinks.lastMessageType = type;
}

void LocationTouchPeers() {}

void LocationShowSubtitles(const char* text, float delay, float seconds, unsigned colour, unsigned secondColour)
{
    std::snprintf(g_LocationLinks.lastSubtitle, sizeof(g_LocationLinks.lastSubtitle), "%s", text ? text : "");
    g_LocationLinks.lastSubtitleDelay = delay;
    g_LocationLinks.lastSubtitleSeconds = seconds;
    g_LocationLinks.lastSubtitleColour = colour;
    g_LocationLinks.lastSubtitleSecondColour = secondColour;
    ++g_LocationLinks.subtitles;
    DebugOutF("Subtitle: %s", g_LocationLinks.lastSubtitle);
}
