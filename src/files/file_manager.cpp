#include "files/file_manager.h"

int CFileManager::Init() { return 0; }
void CFileManager::Release() {}
