// Description files (Main.obj of every kind, Main.pd, Desc_*.pd): the shared line
// grammar and the common Main.obj header.
//
// A line is a 32-character label column and a value from character 33 on; numbers
// of two- and three-number lines and of action lines sit in fixed-width fields.
// Every read of a line consumes exactly that one line of the file: a line that
// ends early leaves the missing fields empty, and a value longer than its field is
// cut and the rest of the line dropped, so a malformed line never shifts the lines
// after it.
#pragma once

class CGameObject;

constexpr int kDescLineLength = 255;        // value lines: 254 characters
constexpr int kDescLabelColumn = 32;        // characters 1..32
constexpr int kDescItemTextLength = 512;    // item descriptions: 511 characters
constexpr int kDescFieldWidth = 4;          // numeric fields of two- and three-number lines
constexpr int kDescNarrowFieldWidth = 3;    // the gate-bay colour line

class CDescFile {
public:
    CDescFile();
    ~CDescFile();
    CDescFile(const CDescFile&) = delete;
    CDescFile& operator=(const CDescFile&) = delete;

    // Opens a file of the Objects kind (or another file kind). 1 on success, 0 when it
    // cannot be opened.
    int Open(const char* name, int kind = 1000);
    void Close();
    bool IsOpen() const { return m_Handle != -1; }
    int Handle() const { return m_Handle; }

    // A line read whole and ignored.
    void SkipLine();
    void SkipLines(int count);
    // The whole line as one text (no label column), cut to size - 1 characters.
    void ReadWholeLine(char* out, int size);
    // Label column (up to 32 characters, as written) and the value, cut to size - 1.
    // A line that ends inside the label column has an empty value.
    void ReadValueLine(char* label, char* value, int size);
    void ReadText(char* out, int size);
    int ReadInt();
    float ReadFloat();
    // Reads the value; when the line contains "//--" it is a separator and *value keeps
    // what it had. Returns 1 when the value was read, 0 for a separator.
    int ReadOptionalInt(int* value);
    int ReadOptionalFloat(float* value);
    int ReadOptionalText(char* out, int size);
    // Count line: the integer value, 0 when negative.
    int ReadCount();
    // Label column, a 4-character field, one separator, the rest of the line.
    void ReadTwoNumbers(float* first, float* second);
    void ReadTwoInts(int* first, int* second);
    // Label column, three fields of fieldWidth characters with single separators, then
    // up to 63 ignored characters.
    void ReadThreeNumbers(float* a, float* b, float* c, int fieldWidth = kDescFieldWidth);
    // Label column (ActionType label), 4-character first frame, 4-character last frame,
    // rest of the line as a sound name. Returns the ParseAction value of the label.
    int ReadActionLine(int* firstFrame, int* lastFrame, char* sound, int size);
    // Label column (DerivedSlot label), the rest of the line as a path. Returns the slot.
    int ReadDerivedLine(char* path, int size);

    // Did the last line read contain "//--"?
    bool LastWasSeparator() const { return m_LastSeparator; }
    // Has a read met the end of the file (always, for a file that is not open)? Surplus
    // lines stop being consumed there.
    bool Ended() const { return m_Ended; }

private:
    void BeginLine();
    // One fixed-width piece of the current line (up to width characters); empty once the
    // line has ended. Returns the number of characters read.
    int ReadPiece(char* out, int width);
    void FinishLine();
    // A line of a four-character field, a separator and the rest (two-number lines).
    void ReadTwoFieldLine(char (&first)[kDescFieldWidth + 1], char (&rest)[kDescLineLength]);
    void NoteSeparator(const char* text);

    int m_Handle;
    bool m_LineOpen;
    bool m_LastSeparator;
    bool m_Ended;
};

// Number conversions of the grammar: leading blanks, sign and digits; anything without
// a number gives 0. Out-of-range integers clamp.
int DescToInt(const char* text);
float DescToFloat(const char* text);

// The common Main.obj header, lines 1 to the last texture name: name (untranslated),
// class, kind, vertex type, meshes and textures. The object gets class, kind, meshes,
// mip levels and textures. *vertexType (may be null) gets the vertex type.
void ReadObjectHeader(CDescFile& file, CGameObject* object, char* name, int nameSize, int* vertexType);
// Class and kind lines into the object.
void ReadClassAndKind(CDescFile& file, CGameObject* object);
// Vertex type line; ParseVertexType value.
int ReadVertexTypeLine(CDescFile& file);
// Count line and mesh names; at most 4 meshes are kept, the surplus lines are read and
// dropped. Returns the number of mesh names kept.
int ReadMeshBlock(CDescFile& file, CGameObject* object, int vertexType);
// Count line, mip levels, texture names; an empty name leaves its slot empty. At most 64
// texture lines are used, the surplus lines are read and dropped. Returns the count kept.
int ReadTextureBlock(CDescFile& file, CGameObject* object);

// A count of blocks that a record's array of limit entries must hold: above the limit the
// message box (caption "Error:") is shown and the limit returned; negative counts give 0.
int CheckBlockCount(int count, int limit, const char* message);
// Surplus lines above a record's limits are consumed up to the file's end, and no
// further than this, so a huge count cannot keep a loader busy.
constexpr int kMaxSurplusLines = 1024;

// The item description beside an item's Main.obj: Desc_ENG.pd with English chosen, else
// Desc_RUS.pd; "<нет данных>" when it cannot be opened.
void ReadItemDescription(const char* mainObjPath, char* out, int size);
