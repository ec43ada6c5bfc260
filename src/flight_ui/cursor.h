// The game's own mouse pointer and its picking.
#pragma once

// The pointer is updated and drawn only while set.
extern int g_PointerShown;

class CCursor {
public:
    // CursorState: 0 off, 1 dialog box, 2 object, 3 person, 4 item, 5 nothing, 6 ground, 7 busy.
    static int state;
    // Texture id of the pointer sheet, -1 when none.
    static int sheet;
    static void Init();
    static void Update();
    static void Draw();
    static void DrawTargetMark();
};
