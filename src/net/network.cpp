#include "net/network.h"

CNetwork g_Network;

void CNetwork::Shutdown()
{
    if (!initialised)
        return;
    SetState(-1);
    initialised = 0;
}

void CNetwork::SetState(int) {}
void CNetwork::OnReceive(int) {}
void CNetwork::SetSocketWritable(int, int) {}
void CNetwork::Update() {}
void CNetwork::SendObjectMessage(int, CGameObject*, const void*) {}
