// The world's object registry and its queries.
#pragma once

class CUnit;

class CObjectList {
public:
    static void ResetNextId();
    static int NextId();
    // Nearest live hostile ship of craft class within the radius (below 0: the unit's comm range).
    static CUnit* FindNearestObject(float radius, CUnit* unit);
    // Nearest live friendly ship of craft class within the player unit's comm range.
    static CUnit* FindNearestInRange();
    static CUnit* FindPlayer();
};
