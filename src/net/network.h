// The local-network game: UDP transport, sessions and in-game messages.
#pragma once

class CNetwork {
public:
    int initialised = 0;
    int sockets[3] = {-1, -1, -1};

    // Leaves the network game and closes the sockets (only when initialised).
    void Shutdown();
    void SetState(int state);
    void OnReceive(int socket);
    void SetSocketWritable(int socket, int flag);
    // The network step of a frame (inside the world's update).
    void Update();
};

extern CNetwork g_Network;
