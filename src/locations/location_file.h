// Main.loc: the text file of a location, read line by line in fixed columns.
// Every line is read whole and cut into its pieces here, so a bad line is refused on
// its own (file and line go to the log) and never shifts the lines after it.
#pragma once
#include "platform/math/math3d.h"

// Column widths of the format.
constexpr int kLocLabelWidth = 32;        // label column; values start at character 33
constexpr int kLocValueLineSize = 512;    // a "value" line is read whole with this limit
constexpr int kLocRestSize = 255;         // a "rest" piece
constexpr int kLocSpaceNumberWidth = 7;   // x, y, z of space files
constexpr int kLocPlanetNumberWidth = 8;  // x, y of planet files
constexpr int kLocPlanetLastWidth = 63;   // z of planet files
constexpr int kLocColourWidth = 3;        // R, G, B
constexpr int kLocLineBuffer = 1024;
constexpr int kLocTextSize = 512;
// A world holds at most this many units: larger counts are cut to it.
constexpr int kLocMaxCount = 1024;

// End markers: found anywhere in the label column of a section's end line.
extern const char kLocEndStatic[];   // "//"
extern const char kLocEndOrders[];   // "////////////"
extern const char kLocEndGroups[];   // "///////////////////"

struct LocStaticObject {
    int id;
    char path[kLocTextSize];
    char privateData[kLocTextSize];
    Vec3 position;
    Vec3 rotation;    // degrees about X, Y, Z
};

struct LocOrder {
    int unitId;
    int targetId;
    Vec3 point;
    char action[kLocTextSize];
    char text1[kLocTextSize];   // station interior folder
    char text2[kLocTextSize];
};

struct LocShipGroup {
    char path[kLocTextSize];
    char privateData[kLocTextSize];
    int fromId;
    int toId;
    char action[kLocTextSize];
    int count;
};

struct LocAsteroidField {
    Vec3 centre;
    float inner;
    float outer;
    char name[kLocTextSize];
    int count;
};

struct LocPlanetObject {
    char path[kLocTextSize];
    Vec3 position;
    Vec3 rotation;
    Vec3 scale;
};

// Result of a record read.
enum LocRead {
    LOC_READ_END = 0,       // the section's end line was read
    LOC_READ_OK = 1,        // one record
    LOC_READ_REFUSED = 2,   // one record read but malformed: logged, the caller skips it
    LOC_READ_EOF = -1,      // the file ended inside the section (logged)
};

class CLocationFile {
public:
    CLocationFile() = default;
    ~CLocationFile();
    CLocationFile(const CLocationFile&) = delete;
    CLocationFile& operator=(const CLocationFile&) = delete;

    // Opens the file (Locations archive kind, or loose). 0 when it cannot be opened.
    int Open(const char* path);
    void Close();
    int Handle() const { return handle; }
    const char* Name() const { return name; }
    int LineNumber() const { return lineNumber; }
    // Malformed lines and records met so far.
    int Errors() const { return errors; }

    // Reads the next line whole (a trailing CR dropped). 0 at the end of the file.
    // A line longer than the buffer is logged, kept cut and its rest dropped.
    int NextLine();
    const char* Line() const { return line; }
    int LineLength() const { return lineLength; }
    // Reads and drops n lines; 0 when the file ended first (logged).
    int SkipLines(int n);

    // Pieces of the current line.
    bool LabelContains(const char* marker) const;
    // The value column of a whole-line read (characters 33 ... 511). False (logged) when
    // the line does not fit that read.
    bool Value(char* out, int size);
    // The remainder after the label column, as a 255-character piece.
    bool Rest(char* out, int size);
    // Integer of the value column; false (logged) unless it is one whole integer.
    bool IntValue(int* out);
    bool FloatValue(float* out);
    // Three numbers after the label: fixed widths with one separator between them.
    // The last one may be lastWidth wide. False (logged) when a field holds no number,
    // holds more than the number, or runs past its width.
    bool Triple(int width, int lastWidth, Vec3* out);
    // Three bytes 0..255 in 3-character columns.
    bool Colour(int* r, int* g, int* b);

    // Logs "<file>(<line>): <what>" and counts the error.
    void Report(const char* what);
    // The next line of a section; at the end of the file logs "file ends inside the <section>"
    // and returns LOC_READ_EOF.
    LocRead ReadLineIn(const char* section);

    // Records of a space file; the current line is the record's first line on entry.
    LocRead ReadStaticObject(LocStaticObject* out);
    // First four lines of an order; the caller decides whether the texts follow.
    LocRead ReadOrderHead(LocOrder* out);
    // The station's two texts (when readTexts) and the record's last line.
    LocRead ReadOrderTail(LocOrder* out, bool readTexts);
    LocRead ReadShipGroup(LocShipGroup* out);
    LocRead ReadAsteroidField(LocAsteroidField* out);
    // Planet object block of 5 lines.
    LocRead ReadPlanetObject(LocPlanetObject* out);

private:
    bool NumberField(int start, int width, bool last, float* out, const char* what);
    // A record's number of things: false (logged) when negative, cut to kLocMaxCount.
    bool CheckCount(int* count, const char* things);

    int handle = -1;
    char name[256] = {};
    char line[kLocLineBuffer] = {};
    int lineLength = 0;
    int lineNumber = 0;
    int errors = 0;
};

// Layout of a space Main.loc, as the loader and the counting pass walk it.
struct LocSpaceHeader {
    int lightCount;
};

// A ship group path with "#k" picks model "0" + (1 + rand() % k): the '#' and the digit are
// replaced in place. Returns 1 when a pick was made, 0 without '#', -1 for a '#' that is not
// followed by a digit 1..9 (the caller refuses the group).
int PickGroupModel(char* path, int randomValue);
// k of a "#k" path (0 without '#', -1 malformed).
int GroupModelCount(const char* path);

// Number of objects a space Main.loc will create: static objects, plus each ship group's
// count, plus each asteroid field's count. 0 when the file cannot be opened.
int CountLocationEntries(const char* path);
