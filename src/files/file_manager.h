// Archive file manager: loose files or the six .hdr/.pak archives.
#pragma once

class CFileManager {
public:
    static int Init();
    static void Release();
};
