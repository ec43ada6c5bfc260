#include "files/language.h"

int LoadLanguageData() { return 0; }
