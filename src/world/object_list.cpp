#include "world/object_list.h"

namespace {
int g_nextId = -1;
}

void CObjectList::ResetNextId()
{
    g_nextId = 5000;
}

int CObjectList::NextId()
{
    if (g_nextId == -1)
        g_nextId = 5000;
    return g_nextId++;
}

CUnit* CObjectList::FindNearestObject(float, CUnit*)
{
    return nullptr;
}

CUnit* CObjectList::FindNearestInRange()
{
    return nullptr;
}

CUnit* CObjectList::FindPlayer()
{
    return nullptr;
}
