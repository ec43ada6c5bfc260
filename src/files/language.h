// The language file: English texts looked up by their Russian originals.
#pragma once

int LoadLanguageData();
